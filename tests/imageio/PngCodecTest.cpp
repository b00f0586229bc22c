// Png codec tests.
