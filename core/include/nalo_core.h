/* The insertion library's C interface; written with the engine. */
