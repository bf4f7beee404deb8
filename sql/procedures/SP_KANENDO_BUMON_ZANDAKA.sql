/* The figures of SP_KANENDO_ZANDAKA for one facility and department. With PHIBUN 1 the common department
   '00' is shared out: the common department keeps its share of each amount, another department adds its
   share of the common amounts; every share is rounded half up to a whole unit. Budgets are shared by the
   percentages of the account's row of the department, prior-year balances by those of their period. */
CREATE OR ALTER PROCEDURE SP_KANENDO_BUMON_ZANDAKA (PSCODE VARCHAR(6) CHARACTER SET ASCII, PBCODE VARCHAR(6) CHARACTER SET ASCII, PHIBUN INTEGER)
RETURNS (
    USERCODE VARCHAR(6) CHARACTER SET ASCII, KCODE VARCHAR(6) CHARACTER SET ASCII, HCODE VARCHAR(6) CHARACTER SET ASCII,
    ZANM32 NUMERIC(16,4), ZANM31 NUMERIC(16,4), ZANM30 NUMERIC(16,4), ZANM29 NUMERIC(16,4), ZANM28 NUMERIC(16,4), ZANM27 NUMERIC(16,4),
    ZANM26 NUMERIC(16,4), ZANM25 NUMERIC(16,4), ZANM24 NUMERIC(16,4), ZANM23 NUMERIC(16,4), ZANM22 NUMERIC(16,4), ZANM21 NUMERIC(16,4),
    ZANM20 NUMERIC(16,4), ZANM19 NUMERIC(16,4), ZANM18 NUMERIC(16,4), ZANM17 NUMERIC(16,4), ZANM16 NUMERIC(16,4), ZANM15 NUMERIC(16,4),
    ZANM14 NUMERIC(16,4), ZANM13 NUMERIC(16,4), ZANM12 NUMERIC(16,4), ZANM11 NUMERIC(16,4), ZANM10 NUMERIC(16,4), ZANM09 NUMERIC(16,4),
    ZANM08 NUMERIC(16,4), ZANM07 NUMERIC(16,4), ZANM06 NUMERIC(16,4), ZANM05 NUMERIC(16,4), ZANM04 NUMERIC(16,4), ZANM03 NUMERIC(16,4),
    ZANM02 NUMERIC(16,4), ZANM01 NUMERIC(16,4), ZANM00 NUMERIC(16,4), ZANP01 NUMERIC(16,4), ZANP02 NUMERIC(16,4), ZANP03 NUMERIC(16,4),
    ZANP04 NUMERIC(16,4), ZANP05 NUMERIC(16,4), ZANP06 NUMERIC(16,4), ZANP07 NUMERIC(16,4), ZANP08 NUMERIC(16,4), ZANP09 NUMERIC(16,4),
    ZANP10 NUMERIC(16,4), ZANP11 NUMERIC(16,4), ZANP12 NUMERIC(16,4), ZANP13 NUMERIC(16,4), ZANP14 NUMERIC(16,4), ZANP15 NUMERIC(16,4),
    YOSAN01 NUMERIC(16,4), YOSAN02 NUMERIC(16,4), YOSAN03 NUMERIC(16,4), YOSAN04 NUMERIC(16,4), YOSAN05 NUMERIC(16,4), YOSAN06 NUMERIC(16,4),
    YOSAN07 NUMERIC(16,4), YOSAN08 NUMERIC(16,4), YOSAN09 NUMERIC(16,4), YOSAN10 NUMERIC(16,4), YOSAN11 NUMERIC(16,4), YOSAN12 NUMERIC(16,4),
    YOSAN13 NUMERIC(16,4), YOSAN14 NUMERIC(16,4), YOSAN15 NUMERIC(16,4))
AS
DECLARE VARIABLE M INTEGER;
DECLARE VARIABLE V NUMERIC(16,4);
DECLARE VARIABLE COM NUMERIC(16,4);
DECLARE VARIABLE RP NUMERIC(18,4);
DECLARE VARIABLE R01 NUMERIC(18,4);
DECLARE VARIABLE R02 NUMERIC(18,4);
DECLARE VARIABLE R03 NUMERIC(18,4);
DECLARE VARIABLE R04 NUMERIC(18,4);
DECLARE VARIABLE R05 NUMERIC(18,4);
DECLARE VARIABLE R06 NUMERIC(18,4);
DECLARE VARIABLE R07 NUMERIC(18,4);
DECLARE VARIABLE R08 NUMERIC(18,4);
DECLARE VARIABLE R09 NUMERIC(18,4);
DECLARE VARIABLE R10 NUMERIC(18,4);
DECLARE VARIABLE R11 NUMERIC(18,4);
DECLARE VARIABLE R12 NUMERIC(18,4);
DECLARE VARIABLE R13 NUMERIC(18,4);
DECLARE VARIABLE R14 NUMERIC(18,4);
DECLARE VARIABLE R15 NUMERIC(18,4);
DECLARE VARIABLE R16 NUMERIC(18,4);
BEGIN
    FOR SELECT KCODE, USERCODE FROM KAMOKU_VIEW
        WHERE SCODE = :PSCODE AND BCODE = :PBCODE
        GROUP BY KCODE, USERCODE
        ORDER BY KCODE
        INTO :KCODE, :USERCODE
    DO
    BEGIN
        R01 = 0; R02 = 0; R03 = 0; R04 = 0; R05 = 0; R06 = 0; R07 = 0; R08 = 0;
        R09 = 0; R10 = 0; R11 = 0; R12 = 0; R13 = 0; R14 = 0; R15 = 0; R16 = 0;
        SELECT FIRST 1 HAIBUN01 * 0.01, HAIBUN02 * 0.01, HAIBUN03 * 0.01, HAIBUN04 * 0.01, HAIBUN05 * 0.01, HAIBUN06 * 0.01,
               HAIBUN07 * 0.01, HAIBUN08 * 0.01, HAIBUN09 * 0.01, HAIBUN10 * 0.01, HAIBUN11 * 0.01, HAIBUN12 * 0.01,
               HAIBUN13 * 0.01, HAIBUN14 * 0.01, HAIBUN15 * 0.01, HAIBUN16 * 0.01
            FROM KAMOKU_SZ WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = ' ' AND BCODE = :PBCODE
            INTO :R01, :R02, :R03, :R04, :R05, :R06, :R07, :R08, :R09, :R10, :R11, :R12, :R13, :R14, :R15, :R16;
        R01 = COALESCE(R01, 0); R02 = COALESCE(R02, 0); R03 = COALESCE(R03, 0); R04 = COALESCE(R04, 0);
        R05 = COALESCE(R05, 0); R06 = COALESCE(R06, 0); R07 = COALESCE(R07, 0); R08 = COALESCE(R08, 0);
        R09 = COALESCE(R09, 0); R10 = COALESCE(R10, 0); R11 = COALESCE(R11, 0); R12 = COALESCE(R12, 0);
        R13 = COALESCE(R13, 0); R14 = COALESCE(R14, 0); R15 = COALESCE(R15, 0); R16 = COALESCE(R16, 0);
        FOR SELECT HCODE FROM KAMOKU_SZ
            WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = :PBCODE
            ORDER BY HCODE
            INTO :HCODE
        DO
        BEGIN
            ZANM32 = 0; ZANM31 = 0; ZANM30 = 0; ZANM29 = 0; ZANM28 = 0; ZANM27 = 0; ZANM26 = 0; ZANM25 = 0;
            ZANM24 = 0; ZANM23 = 0; ZANM22 = 0; ZANM21 = 0; ZANM20 = 0; ZANM19 = 0; ZANM18 = 0; ZANM17 = 0;
            ZANM16 = 0; ZANM15 = 0; ZANM14 = 0; ZANM13 = 0; ZANM12 = 0; ZANM11 = 0; ZANM10 = 0; ZANM09 = 0;
            ZANM08 = 0; ZANM07 = 0; ZANM06 = 0; ZANM05 = 0; ZANM04 = 0; ZANM03 = 0; ZANM02 = 0; ZANM01 = 0;
            ZANM00 = 0; ZANP01 = 0; ZANP02 = 0; ZANP03 = 0; ZANP04 = 0; ZANP05 = 0; ZANP06 = 0; ZANP07 = 0;
            ZANP08 = 0; ZANP09 = 0; ZANP10 = 0; ZANP11 = 0; ZANP12 = 0; ZANP13 = 0; ZANP14 = 0; ZANP15 = 0;
            YOSAN01 = 0; YOSAN02 = 0; YOSAN03 = 0; YOSAN04 = 0; YOSAN05 = 0; YOSAN06 = 0; YOSAN07 = 0;
            YOSAN08 = 0; YOSAN09 = 0; YOSAN10 = 0; YOSAN11 = 0; YOSAN12 = 0; YOSAN13 = 0; YOSAN14 = 0;
            YOSAN15 = 0;
            FOR SELECT MNUM, BYOSAN FROM KAMOKU_MS
                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :HCODE AND BCODE = :PBCODE
                  AND MNUM BETWEEN 1 AND 15
                INTO :M, :V
            DO
            BEGIN
                V = COALESCE(V, 0);
                IF (PHIBUN = 1 AND PBCODE = '00') THEN V = FLOOR(0.5 + V * DECODE(M, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
                ELSE IF (PHIBUN = 1) THEN
                BEGIN
                    COM = 0;
                    SELECT SUM(BYOSAN) FROM KAMOKU_MS
                        WHERE SCODE = :PSCODE AND KCODE = :KCODE AND BCODE = '00' AND MNUM = :M
                        INTO :COM;
                    V = V + FLOOR(0.5 + COALESCE(COM, 0) * DECODE(M, 1, R01, 2, R02, 3, R03, 4, R04, 5, R05, 6, R06, 7, R07, 8, R08, 9, R09, 10, R10, 11, R11, 12, R12, 13, R13, 14, R14, 15, R15, 16, R16, 0));
                END
                IF (M = 1) THEN YOSAN01 = V;
                ELSE IF (M = 2) THEN YOSAN02 = V;
                ELSE IF (M = 3) THEN YOSAN03 = V;
                ELSE IF (M = 4) THEN YOSAN04 = V;
                ELSE IF (M = 5) THEN YOSAN05 = V;
                ELSE IF (M = 6) THEN YOSAN06 = V;
                ELSE IF (M = 7) THEN YOSAN07 = V;
                ELSE IF (M = 8) THEN YOSAN08 = V;
                ELSE IF (M = 9) THEN YOSAN09 = V;
                ELSE IF (M = 10) THEN YOSAN10 = V;
                ELSE IF (M = 11) THEN YOSAN11 = V;
                ELSE IF (M = 12) THEN YOSAN12 = V;
                ELSE IF (M = 13) THEN YOSAN13 = V;
                ELSE IF (M = 14) THEN YOSAN14 = V;
                ELSE IF (M = 15) THEN YOSAN15 = V;
            END
            FOR SELECT MNUM, NUKIZAN, HAIBUN * 0.01 FROM KAMOKU_PZ
                WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :HCODE AND BCODE = :PBCODE
                  AND MNUM BETWEEN -32 AND 15
                INTO :M, :V, :RP
            DO
            BEGIN
                V = COALESCE(V, 0);
                RP = COALESCE(RP, 0);
                IF (PHIBUN = 1 AND PBCODE = '00') THEN V = FLOOR(0.5 + V * RP);
                ELSE IF (PHIBUN = 1) THEN
                BEGIN
                    COM = 0;
                    SELECT NUKIZAN FROM KAMOKU_PZ
                        WHERE SCODE = :PSCODE AND KCODE = :KCODE AND HCODE = :HCODE AND BCODE = '00'
                          AND MNUM = :M
                        INTO :COM;
                    V = V + FLOOR(0.5 + COALESCE(COM, 0) * RP);
                END
                IF (M = -32) THEN ZANM32 = V;
                ELSE IF (M = -31) THEN ZANM31 = V;
                ELSE IF (M = -30) THEN ZANM30 = V;
                ELSE IF (M = -29) THEN ZANM29 = V;
                ELSE IF (M = -28) THEN ZANM28 = V;
                ELSE IF (M = -27) THEN ZANM27 = V;
                ELSE IF (M = -26) THEN ZANM26 = V;
                ELSE IF (M = -25) THEN ZANM25 = V;
                ELSE IF (M = -24) THEN ZANM24 = V;
                ELSE IF (M = -23) THEN ZANM23 = V;
                ELSE IF (M = -22) THEN ZANM22 = V;
                ELSE IF (M = -21) THEN ZANM21 = V;
                ELSE IF (M = -20) THEN ZANM20 = V;
                ELSE IF (M = -19) THEN ZANM19 = V;
                ELSE IF (M = -18) THEN ZANM18 = V;
                ELSE IF (M = -17) THEN ZANM17 = V;
                ELSE IF (M = -16) THEN ZANM16 = V;
                ELSE IF (M = -15) THEN ZANM15 = V;
                ELSE IF (M = -14) THEN ZANM14 = V;
                ELSE IF (M = -13) THEN ZANM13 = V;
                ELSE IF (M = -12) THEN ZANM12 = V;
                ELSE IF (M = -11) THEN ZANM11 = V;
                ELSE IF (M = -10) THEN ZANM10 = V;
                ELSE IF (M = -9) THEN ZANM09 = V;
                ELSE IF (M = -8) THEN ZANM08 = V;
                ELSE IF (M = -7) THEN ZANM07 = V;
                ELSE IF (M = -6) THEN ZANM06 = V;
                ELSE IF (M = -5) THEN ZANM05 = V;
                ELSE IF (M = -4) THEN ZANM04 = V;
                ELSE IF (M = -3) THEN ZANM03 = V;
                ELSE IF (M = -2) THEN ZANM02 = V;
                ELSE IF (M = -1) THEN ZANM01 = V;
                ELSE IF (M = 0) THEN ZANM00 = V;
                ELSE IF (M = 1) THEN ZANP01 = V;
                ELSE IF (M = 2) THEN ZANP02 = V;
                ELSE IF (M = 3) THEN ZANP03 = V;
                ELSE IF (M = 4) THEN ZANP04 = V;
                ELSE IF (M = 5) THEN ZANP05 = V;
                ELSE IF (M = 6) THEN ZANP06 = V;
                ELSE IF (M = 7) THEN ZANP07 = V;
                ELSE IF (M = 8) THEN ZANP08 = V;
                ELSE IF (M = 9) THEN ZANP09 = V;
                ELSE IF (M = 10) THEN ZANP10 = V;
                ELSE IF (M = 11) THEN ZANP11 = V;
                ELSE IF (M = 12) THEN ZANP12 = V;
                ELSE IF (M = 13) THEN ZANP13 = V;
                ELSE IF (M = 14) THEN ZANP14 = V;
                ELSE IF (M = 15) THEN ZANP15 = V;
            END
            SUSPEND;
        END
    END
END^
