/* Amounts are rounded to whole units, halves away from zero: 2.5 gives 3 and -2.5 gives -3. */
CREATE OR ALTER FUNCTION F_ROUND (X NUMERIC(18, 4)) RETURNS NUMERIC(18, 4)
AS
BEGIN
    IF (X < 0) THEN
        RETURN -FLOOR(0.5 - X);
    RETURN FLOOR(0.5 + X);
END^
