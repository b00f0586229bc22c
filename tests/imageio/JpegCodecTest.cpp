// Jpeg codec tests.
