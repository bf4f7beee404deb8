/* The balances of the two previous years and this year's budget per account and sub-account of a group of
   departments. The budgets are summed over the group; the balance of a period is taken from the group's
   department rows one after the other, so the last department's amount stands. Every figure of a row
   starts at 0. */
RECREATE PROCEDURE SP_KANENDO_BUMON_GROUPZANDAKA (PSCODE VARCHAR(6) CHARACTER SET ASCII, PGCODE VARCHAR(6) CHARACTER SET ASCII)
RETURNS (
    USERCODE VARCHAR(6) CHARACTER SET ASCII,
    KCODE VARCHAR(6) CHARACTER SET ASCII,
    HCODE VARCHAR(6) CHARACTER SET ASCII,
    ZANM32 NUMERIC(16, 4),
    ZANM31 NUMERIC(16, 4),
    ZANM30 NUMERIC(16, 4),
    ZANM29 NUMERIC(16, 4),
    ZANM28 NUMERIC(16, 4),
    ZANM27 NUMERIC(16, 4),
    ZANM26 NUMERIC(16, 4),
    ZANM25 NUMERIC(16, 4),
    ZANM24 NUMERIC(16, 4),
    ZANM23 NUMERIC(16, 4),
    ZANM22 NUMERIC(16, 4),
    ZANM21 NUMERIC(16, 4),
    ZANM20 NUMERIC(16, 4),
    ZANM19 NUMERIC(16, 4),
    ZANM18 NUMERIC(16, 4),
    ZANM17 NUMERIC(16, 4),
    ZANM16 NUMERIC(16, 4),
    ZANM15 NUMERIC(16, 4),
    ZANM14 NUMERIC(16, 4),
    ZANM13 NUMERIC(16, 4),
    ZANM12 NUMERIC(16, 4),
    ZANM11 NUMERIC(16, 4),
    ZANM10 NUMERIC(16, 4),
    ZANM09 NUMERIC(16, 4),
    ZANM08 NUMERIC(16, 4),
    ZANM07 NUMERIC(16, 4),
    ZANM06 NUMERIC(16, 4),
    ZANM05 NUMERIC(16, 4),
    ZANM04 NUMERIC(16, 4),
    ZANM03 NUMERIC(16, 4),
    ZANM02 NUMERIC(16, 4),
    ZANM01 NUMERIC(16, 4),
    ZANM00 NUMERIC(16, 4),
    ZANP01 NUMERIC(16, 4),
    ZANP02 NUMERIC(16, 4),
    ZANP03 NUMERIC(16, 4),
    ZANP04 NUMERIC(16, 4),
    ZANP05 NUMERIC(16, 4),
    ZANP06 NUMERIC(16, 4),
    ZANP07 NUMERIC(16, 4),
    ZANP08 NUMERIC(16, 4),
    ZANP09 NUMERIC(16, 4),
    ZANP10 NUMERIC(16, 4),
    ZANP11 NUMERIC(16, 4),
    ZANP12 NUMERIC(16, 4),
    ZANP13 NUMERIC(16, 4),
    ZANP14 NUMERIC(16, 4),
    ZANP15 NUMERIC(16, 4),
    YOSAN01 NUMERIC(16, 4),
    YOSAN02 NUMERIC(16, 4),
    YOSAN03 NUMERIC(16, 4),
    YOSAN04 NUMERIC(16, 4),
    YOSAN05 NUMERIC(16, 4),
    YOSAN06 NUMERIC(16, 4),
    YOSAN07 NUMERIC(16, 4),
    YOSAN08 NUMERIC(16, 4),
    YOSAN09 NUMERIC(16, 4),
    YOSAN10 NUMERIC(16, 4),
    YOSAN11 NUMERIC(16, 4),
    YOSAN12 NUMERIC(16, 4),
    YOSAN13 NUMERIC(16, 4),
    YOSAN14 NUMERIC(16, 4),
    YOSAN15 NUMERIC(16, 4)
)
AS
DECLARE VARIABLE V_MNUM INTEGER;
DECLARE VARIABLE V_AMT NUMERIC(16, 4);
BEGIN
    FOR SELECT V.KCODE, V.USERCODE FROM KAMOKU_VIEW V
        WHERE V.SCODE = :PSCODE AND V.BCODE IN (SELECT G.BCODE FROM GROUPLIST G WHERE G.GCODE = :PGCODE)
        GROUP BY V.KCODE, V.USERCODE
        ORDER BY V.KCODE
        INTO :KCODE, :USERCODE
    DO
        FOR SELECT DISTINCT Z.HCODE FROM KAMOKU_SZ Z
            WHERE Z.SCODE = :PSCODE AND Z.KCODE = :KCODE
              AND Z.BCODE IN (SELECT G.BCODE FROM GROUPLIST G WHERE G.GCODE = :PGCODE)
            ORDER BY Z.HCODE
            INTO :HCODE
        DO
        BEGIN
            ZANM32 = 0;
            ZANM31 = 0;
            ZANM30 = 0;
            ZANM29 = 0;
            ZANM28 = 0;
            ZANM27 = 0;
            ZANM26 = 0;
            ZANM25 = 0;
            ZANM24 = 0;
            ZANM23 = 0;
            ZANM22 = 0;
            ZANM21 = 0;
            ZANM20 = 0;
            ZANM19 = 0;
            ZANM18 = 0;
            ZANM17 = 0;
            ZANM16 = 0;
            ZANM15 = 0;
            ZANM14 = 0;
            ZANM13 = 0;
            ZANM12 = 0;
            ZANM11 = 0;
            ZANM10 = 0;
            ZANM09 = 0;
            ZANM08 = 0;
            ZANM07 = 0;
            ZANM06 = 0;
            ZANM05 = 0;
            ZANM04 = 0;
            ZANM03 = 0;
            ZANM02 = 0;
            ZANM01 = 0;
            ZANM00 = 0;
            ZANP01 = 0;
            ZANP02 = 0;
            ZANP03 = 0;
            ZANP04 = 0;
            ZANP05 = 0;
            ZANP06 = 0;
            ZANP07 = 0;
            ZANP08 = 0;
            ZANP09 = 0;
            ZANP10 = 0;
            ZANP11 = 0;
            ZANP12 = 0;
            ZANP13 = 0;
            ZANP14 = 0;
            ZANP15 = 0;
            YOSAN01 = 0;
            YOSAN02 = 0;
            YOSAN03 = 0;
            YOSAN04 = 0;
            YOSAN05 = 0;
            YOSAN06 = 0;
            YOSAN07 = 0;
            YOSAN08 = 0;
            YOSAN09 = 0;
            YOSAN10 = 0;
            YOSAN11 = 0;
            YOSAN12 = 0;
            YOSAN13 = 0;
            YOSAN14 = 0;
            YOSAN15 = 0;
            FOR SELECT M.MNUM, SUM(M.BYOSAN) FROM KAMOKU_MS M
                WHERE M.SCODE = :PSCODE AND M.KCODE = :KCODE AND M.HCODE = :HCODE AND M.MNUM BETWEEN 1 AND 15
                  AND M.BCODE IN (SELECT G.BCODE FROM GROUPLIST G WHERE G.GCODE = :PGCODE)
                GROUP BY M.MNUM
                INTO :V_MNUM, :V_AMT
            DO
            BEGIN
                IF (V_MNUM = 1) THEN YOSAN01 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 2) THEN YOSAN02 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 3) THEN YOSAN03 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 4) THEN YOSAN04 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 5) THEN YOSAN05 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 6) THEN YOSAN06 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 7) THEN YOSAN07 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 8) THEN YOSAN08 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 9) THEN YOSAN09 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 10) THEN YOSAN10 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 11) THEN YOSAN11 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 12) THEN YOSAN12 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 13) THEN YOSAN13 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 14) THEN YOSAN14 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 15) THEN YOSAN15 = COALESCE(V_AMT, 0);
            END
            FOR SELECT P.MNUM, P.NUKIZAN FROM KAMOKU_PZ P
                WHERE P.SCODE = :PSCODE AND P.KCODE = :KCODE AND P.HCODE = :HCODE AND P.MNUM < 16
                  AND P.BCODE IN (SELECT G.BCODE FROM GROUPLIST G WHERE G.GCODE = :PGCODE)
                ORDER BY P.MNUM, P.BCODE
                INTO :V_MNUM, :V_AMT
            DO
            BEGIN
                IF (V_MNUM = -32) THEN ZANM32 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -31) THEN ZANM31 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -30) THEN ZANM30 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -29) THEN ZANM29 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -28) THEN ZANM28 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -27) THEN ZANM27 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -26) THEN ZANM26 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -25) THEN ZANM25 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -24) THEN ZANM24 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -23) THEN ZANM23 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -22) THEN ZANM22 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -21) THEN ZANM21 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -20) THEN ZANM20 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -19) THEN ZANM19 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -18) THEN ZANM18 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -17) THEN ZANM17 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -16) THEN ZANM16 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -15) THEN ZANM15 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -14) THEN ZANM14 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -13) THEN ZANM13 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -12) THEN ZANM12 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -11) THEN ZANM11 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -10) THEN ZANM10 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -9) THEN ZANM09 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -8) THEN ZANM08 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -7) THEN ZANM07 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -6) THEN ZANM06 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -5) THEN ZANM05 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -4) THEN ZANM04 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -3) THEN ZANM03 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -2) THEN ZANM02 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = -1) THEN ZANM01 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 0) THEN ZANM00 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 1) THEN ZANP01 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 2) THEN ZANP02 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 3) THEN ZANP03 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 4) THEN ZANP04 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 5) THEN ZANP05 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 6) THEN ZANP06 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 7) THEN ZANP07 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 8) THEN ZANP08 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 9) THEN ZANP09 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 10) THEN ZANP10 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 11) THEN ZANP11 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 12) THEN ZANP12 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 13) THEN ZANP13 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 14) THEN ZANP14 = COALESCE(V_AMT, 0);
                ELSE IF (V_MNUM = 15) THEN ZANP15 = COALESCE(V_AMT, 0);
            END
            SUSPEND;
        END
END^
