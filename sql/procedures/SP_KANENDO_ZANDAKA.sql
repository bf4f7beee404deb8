/* Balances of the two previous years (periods -32 to 15) and this year's budgets (periods 1 to 15) of every
   account and sub-account of a facility ('' for every facility), for the three-period comparison. */
CREATE OR ALTER PROCEDURE SP_KANENDO_ZANDAKA (PSCODE VARCHAR(6) CHARACTER SET ASCII)
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
BEGIN
    FOR SELECT KCODE, USERCODE FROM KAMOKU_VIEW
        WHERE (:PSCODE = '' OR SCODE = :PSCODE)
        GROUP BY KCODE, USERCODE
        ORDER BY KCODE
        INTO :KCODE, :USERCODE
    DO
        FOR SELECT DISTINCT HCODE FROM KAMOKU_SZ
            WHERE (:PSCODE = '' OR SCODE = :PSCODE) AND KCODE = :KCODE
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
            FOR SELECT MNUM, SUM(BYOSAN) FROM KAMOKU_MS
                WHERE (:PSCODE = '' OR SCODE = :PSCODE) AND KCODE = :KCODE AND HCODE = :HCODE
                  AND MNUM BETWEEN 1 AND 15
                GROUP BY MNUM
                INTO :M, :V
            DO
            BEGIN
                V = COALESCE(V, 0);
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
            FOR SELECT MNUM, SUM(NUKIZAN) FROM KAMOKU_PZ
                WHERE (:PSCODE = '' OR SCODE = :PSCODE) AND KCODE = :KCODE AND HCODE = :HCODE
                  AND MNUM BETWEEN -32 AND 15
                GROUP BY MNUM
                INTO :M, :V
            DO
            BEGIN
                V = COALESCE(V, 0);
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
END^
