-- The rate database shipped beside the program. The build turns this text
-- into valuta.mdb when no such file is there yet; an existing file is kept.
BEGIN TRANSACTION;
-- No index on valuta: lookups keep the order of the rows below, main currencies first.
CREATE TABLE principale (principala BOOLEAN NOT NULL, valuta TEXT NOT NULL);
INSERT INTO principale VALUES (1, 'EUR');
INSERT INTO principale VALUES (1, 'USD');
INSERT INTO principale VALUES (1, 'GBP');
INSERT INTO principale VALUES (1, 'CHF');
INSERT INTO principale VALUES (1, 'XAU');
INSERT INTO principale VALUES (1, 'XDR');
INSERT INTO principale VALUES (0, 'AED');
INSERT INTO principale VALUES (0, 'AUD');
INSERT INTO principale VALUES (0, 'BGN');
INSERT INTO principale VALUES (0, 'BRL');
INSERT INTO principale VALUES (0, 'CAD');
INSERT INTO principale VALUES (0, 'CNY');
INSERT INTO principale VALUES (0, 'CZK');
INSERT INTO principale VALUES (0, 'DKK');
INSERT INTO principale VALUES (0, 'EGP');
INSERT INTO principale VALUES (0, 'HKD');
INSERT INTO principale VALUES (0, 'HRK');
INSERT INTO principale VALUES (0, '100HUF');
INSERT INTO principale VALUES (0, '100IDR');
INSERT INTO principale VALUES (0, 'ILS');
INSERT INTO principale VALUES (0, 'INR');
INSERT INTO principale VALUES (0, '100ISK');
INSERT INTO principale VALUES (0, '100JPY');
INSERT INTO principale VALUES (0, '100KRW');
INSERT INTO principale VALUES (0, 'MDL');
INSERT INTO principale VALUES (0, 'MXN');
INSERT INTO principale VALUES (0, 'MYR');
INSERT INTO principale VALUES (0, 'NOK');
INSERT INTO principale VALUES (0, 'NZD');
INSERT INTO principale VALUES (0, 'PHP');
INSERT INTO principale VALUES (0, 'PLN');
INSERT INTO principale VALUES (0, 'RSD');
INSERT INTO principale VALUES (0, 'RUB');
INSERT INTO principale VALUES (0, 'SEK');
INSERT INTO principale VALUES (0, 'SGD');
INSERT INTO principale VALUES (0, 'THB');
INSERT INTO principale VALUES (0, 'TRY');
INSERT INTO principale VALUES (0, 'UAH');
INSERT INTO principale VALUES (0, 'ZAR');
-- Weekdays the bank published no rates for though the calendar expected them: first seen
-- lacking on VAZUT, no longer asked for once CONFIRMAT (still lacking on a later day).
CREATE TABLE ZILEFARACURS (DATA TEXT PRIMARY KEY, VAZUT TEXT NOT NULL, CONFIRMAT INTEGER NOT NULL DEFAULT 0);
-- The update starts from the newest new-leu table; this one makes it fetch everything since 2005.
CREATE TABLE VALUTA2005RON (DATA DATETIME UNIQUE PRIMARY KEY);
COMMIT;
