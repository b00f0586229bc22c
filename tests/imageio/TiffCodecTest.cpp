// Tiff codec tests.
