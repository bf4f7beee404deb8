/* 7.0.4: nothing in the system database. */
