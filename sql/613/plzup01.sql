/* The cash-book merge finds a linked entry by its link number or its link key; writing an entry takes
   the next facility row number and the next day number from the top of a descending index. */
CREATE INDEX IX_SIWAKE_RESERVE1 ON SIWAKE (RESERVE1);
CREATE INDEX IX_SIWAKE_LINK ON SIWAKE (LINKKEY, LINKKUB);
CREATE DESCENDING INDEX IX_SIWAKE_SCODE_SITREC ON SIWAKE (SCODE, SITREC);
CREATE DESCENDING INDEX IX_SIWAKE_HIZUKE_SDAYNUM ON SIWAKE (HIZUKE, SDAYNUM);
COMMIT;
