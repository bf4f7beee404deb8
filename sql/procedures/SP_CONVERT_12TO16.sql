/* The last period of a month of the fiscal year: months 3, 6, 9 and 12 end with the closing period after
   them. Any other number is returned as it is. */
CREATE OR ALTER PROCEDURE SP_CONVERT_12TO16 (FNUM INTEGER)
RETURNS (TNUM INTEGER)
AS
BEGIN
    TNUM = DECODE(FNUM, 1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6, 8, 7, 9, 8, 10, 9, 12, 10, 13, 11, 14, 12, 16, FNUM);
END^
