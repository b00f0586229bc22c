// Pcx codec tests.
