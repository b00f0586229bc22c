// Bmp codec tests.
