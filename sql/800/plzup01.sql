/* The history of operations. */
/* The operators' processing history. */
CREATE TABLE OPHIST (
    OPCODE INTEGER,
    JOBNAME T_TITLE,
    PCNAME T_PCNAME,
    OPENTIME TIMESTAMP,
    CLOSETIME TIMESTAMP
);

COMMIT;
