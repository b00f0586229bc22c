// Gif codec tests.
