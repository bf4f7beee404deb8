/* Interim body: the parameters and result columns are final, the computation follows. */
RECREATE PROCEDURE SP_BUMONKAISIZAN_COUNT (PSCODE VARCHAR(6) CHARACTER SET ASCII)
RETURNS (
    RECCOUNT INTEGER
)
AS
BEGIN
    RECCOUNT = 0;
    SUSPEND;
END^
