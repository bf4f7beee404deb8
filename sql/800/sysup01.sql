/* 8.0.0: the administrator of personal numbers among the operators. */
ALTER TABLE OPERATOR ADD MYNUMBER_ADM INTEGER DEFAULT 0;
COMMIT;
UPDATE OPERATOR SET MYNUMBER_ADM = 0;
COMMIT;
