/* The number of rows the common department's opening-balance entry shows: its sub-account rows and the
   rows of accounts without sub-accounts there. */
RECREATE PROCEDURE SP_BUMONKAISIZAN_COUNT (PSCODE VARCHAR(6) CHARACTER SET ASCII)
RETURNS (
    RECCOUNT INTEGER
)
AS
BEGIN
    SELECT COUNT(*) FROM KAMOKU_VIEW V
        WHERE V.SCODE = :PSCODE AND V.BCODE = '00'
          AND (V.HCODE <> ' ' OR (SELECT COUNT(*) FROM KAMOKU_SZ Z WHERE Z.SCODE = :PSCODE
                                  AND Z.KCODE = V.KCODE AND Z.BCODE = '00') < 2)
        INTO :RECCOUNT;
    SUSPEND;
END^
