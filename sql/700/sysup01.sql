/* 7.0.0: nothing in the schema; settings record 10 is migrated by the program before this file. */
