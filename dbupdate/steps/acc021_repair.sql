/* Interim body of the one-time repair of the prior-year balances; the repair itself follows. */
RECREATE PROCEDURE ONE_TIME_PROC
AS
BEGIN
    EXIT;
END^
