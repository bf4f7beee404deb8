/* Caution and good thresholds of every account: a rate with its kind (0 at or below the rate, 1 at or
   above it). */
ALTER TABLE KAMOKUMST ADD Solvarne_BadRate CURRENCY, ADD Solvarne_BadKind INTEGER DEFAULT 0,
    ADD Solvarne_GoodRate CURRENCY, ADD Solvarne_GoodKind INTEGER DEFAULT 0;
/* A column added to rows that exist is null in them: the kinds start at their default there too. */
UPDATE KAMOKUMST SET Solvarne_BadKind=0,Solvarne_GoodKind=0;
/* The comparison columns of the management-analysis table. */
RECREATE TABLE SOLVARNE_HIKAKU_COL (
    REC INTEGER NOT NULL,
    NUM INTEGER DEFAULT 0,
    MEISHOU VARCHAR(20) CHARACTER SET SJIS_0208,
    CONSTRAINT PK_SOLVARNE_HIKAKU_COL PRIMARY KEY (REC)
);
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (1, 1, '過去3ヶ月');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (2, 2, '過去6ヶ月');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (3, 3, '過去12ヶ月');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (4, 4, '過去24ヶ月');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (5, 5, '当期平均');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (6, 6, '前期平均');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (7, 7, '前々期平均');
INSERT INTO SOLVARNE_HIKAKU_COL VALUES (8, 8, '２期平均');
/* The analysis items with their default thresholds and the account classifications their formulas use. */
RECREATE TABLE SOLVARNE_HIKAKU (
    REC INTEGER NOT NULL,
    BUNRUI INTEGER DEFAULT 0,
    MEISHOU VARCHAR(20) CHARACTER SET SJIS_0208,
    TANIMEI VARCHAR(5) CHARACTER SET SJIS_0208,
    BadRate NUMERIC(16,4) DEFAULT 0,
    BadKind INTEGER DEFAULT 0,
    GoodRate NUMERIC(16,4) DEFAULT 0,
    GoodKind INTEGER DEFAULT 1,
    GROUPA1 AC_CODE,
    GROUPA2 AC_CODE,
    GROUPB1 AC_CODE,
    GROUPB2 AC_CODE,
    CONSTRAINT PK_SOLVARNE_HIKAKU PRIMARY KEY (REC)
);
INSERT INTO SOLVARNE_HIKAKU VALUES (1, 1, '売上総利益率', '％', 0.95, 0, 1.05, 1, '4100', '5280', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (2, 1, '売上高営業利益率', '％', 0.95, 0, 1.05, 1, '4100', '6100', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (3, 1, '売上高経常利益率', '％', 0.95, 0, 1.05, 1, '4100', '7200', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (4, 1, '総資本営業利益率', '％', 0.95, 0, 1.05, 1, '1100', '6100', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (5, 1, '総資本経常利益率', '％', 0.95, 0, 1.05, 1, '1100', '7200', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (6, 1, '自己資本経常利益率', '％', 0.95, 0, 1.05, 1, '3100', '7200', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (7, 2, '総資本回転率', '回', 0.95, 0, 1.05, 1, '2100', '4110', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (8, 2, '総資本回転日数', '日', 0.95, 0, 1.05, 1, '2100', '4110', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (9, 2, '流動資産回転率', '回', 0.95, 0, 1.05, 1, '1100', '1320', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (10, 2, '流動資産回転日数', '日', 0.95, 0, 1.05, 1, '1100', '1320', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (11, 2, '固定資産回転率', '回', 0.95, 0, 1.05, 1, '1100', '1600', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (12, 2, '固定資産回転日数', '日', 0.95, 0, 1.05, 1, '1100', '1600', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (13, 2, '受取債権回転率', '回', 0.95, 0, 1.05, 1, '1130', '1130', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (14, 2, '受取債権回転日数', '日', 0.95, 0, 1.05, 1, '1130', '1130', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (15, 2, '支払勘定回転率', '回', 0.95, 0, 1.05, 1, '2100', '2100', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (16, 2, '支払勘定回転日数', '日', 0.95, 0, 1.05, 1, '2100', '2100', '4100', '4110');
INSERT INTO SOLVARNE_HIKAKU VALUES (17, 3, '流動比率', '％', 0.95, 0, 1.05, 1, '1100', '1320', '2100', '2100');
INSERT INTO SOLVARNE_HIKAKU VALUES (18, 3, '当座比率', '％', 0.95, 0, 1.05, 1, '1100', '1100', '2100', '2100');
INSERT INTO SOLVARNE_HIKAKU VALUES (19, 3, '固定長期適合率', '％', 0.95, 0, 1.05, 1, '1100', '3600', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (20, 3, '自己資本対固定資産率', '％', 0.95, 0, 1.05, 1, '1400', '1800', '3100', '3340');
INSERT INTO SOLVARNE_HIKAKU VALUES (21, 3, '自己資本比率', '％', 0.95, 0, 1.05, 1, '1100', '3430', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (22, 3, '損益分岐点売上高', '円', 0.95, 0, 1.05, 1, '4100', '6100', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (23, 4, '売上高対支払利息比率', '％', 1.05, 1, 0.95, 0, '4100', '4110', '7100', '7200');
INSERT INTO SOLVARNE_HIKAKU VALUES (24, 4, '売上高対販管費比率', '％', 1.05, 1, 0.95, 0, '4100', '4110', '6100', '6100');
INSERT INTO SOLVARNE_HIKAKU VALUES (25, 4, '売上高対人件費比率', '％', 1.05, 1, 0.95, 0, '4100', '4110', '6100', '6100');
INSERT INTO SOLVARNE_HIKAKU VALUES (26, 4, '人件費計合計', '円', 1.05, 1, 0.95, 0, '6100', '6100', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (27, 4, '従業員延人数', '人', 1.05, 1, 0.95, 0, '', '', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (28, 5, '付加価値', '円', 0.95, 0, 1.05, 1, '4100', '5820', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (29, 5, '労働分配率', '％', 0.95, 0, 1.05, 1, '4100', '5820', '6100', '6100');
INSERT INTO SOLVARNE_HIKAKU VALUES (30, 5, '一人当たり売上高', '円', 0.95, 0, 1.05, 1, '4100', '4110', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (31, 5, '一人当たりに人件費', '円', 0.95, 0, 1.05, 1, '6100', '6100', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (32, 5, '一人当たり販管費', '円', 0.95, 0, 1.05, 1, '6100', '6100', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (33, 5, '一人当たり経常利益', '円', 0.95, 0, 1.05, 1, '4100', '7200', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (34, 5, '一人当たり資本集約度', '円', 0.95, 0, 1.05, 1, '1100', '3340', '', '');
INSERT INTO SOLVARNE_HIKAKU VALUES (35, 5, '一人当たり労働装備率', '円', 0.95, 0, 1.05, 1, '1400', '1710', '', '');
