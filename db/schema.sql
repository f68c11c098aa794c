-- Partwise inventory database.
--
-- Text compares without regard to letter case (NOCASE), so a part number typed
-- in other letter case finds the stored part. Rows are written back through
-- SQLite's hidden rowid, which every table here keeps (no WITHOUT ROWID tables,
-- and the program never runs VACUUM, so row keys stay put).

CREATE TABLE Inventory (
    PartNo       TEXT    NOT NULL COLLATE NOCASE,
    Description  TEXT    COLLATE NOCASE,
    CurrentInv   INTEGER,
    UnitCost     REAL,
    ReorderPoint INTEGER DEFAULT 0,
    MinReq       INTEGER,
    Bin          INTEGER DEFAULT 0,   -- time to order: 0 = No, 1 = Yes
    CONSTRAINT InventoryPartNo UNIQUE (PartNo)
);
CREATE INDEX InventoryDescription ON Inventory (Description);

-- One row per component of a bill of materials. BoardPN is null for rows added
-- in the BOM editor until the editor closes.
CREATE TABLE BoardBOM (
    BoardPN     TEXT COLLATE NOCASE,
    Description TEXT COLLATE NOCASE,
    PartNo      TEXT COLLATE NOCASE,
    QtyUsed     REAL
);
CREATE INDEX BoardBOMBoardPN ON BoardBOM (BoardPN);

CREATE TABLE Users (
    User     TEXT NOT NULL COLLATE NOCASE,
    Password TEXT,
    CONSTRAINT UsersUser UNIQUE (User)
);

CREATE TABLE PreferredVendor (
    Item        TEXT COLLATE NOCASE,
    Vendor      TEXT COLLATE NOCASE,
    Description TEXT COLLATE NOCASE
);
CREATE INDEX PreferredVendorItem ON PreferredVendor (Item);
