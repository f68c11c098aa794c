-- Partwise inventory database.
--
-- Text compares without regard to letter case (NOCASE), so a part number typed
-- in other letter case finds the stored part. Rows are written back through
-- SQLite's hidden rowid, which every table here keeps (no WITHOUT ROWID tables,
-- and the program never runs VACUUM, so row keys stay put).
--
-- Number columns take numbers only, as the server's number columns do: a
-- value that the column's type cannot take ('abc', a blank) stays text and
-- its check <Table><Column>Type refuses it. The program reports that as a
-- type mismatch; a file without these checks is checked when it opens.

CREATE TABLE Inventory (
    PartNo       TEXT    NOT NULL COLLATE NOCASE,
    Description  TEXT    COLLATE NOCASE,
    CurrentInv   INTEGER CONSTRAINT InventoryCurrentInvType CHECK (typeof(CurrentInv) IN ('integer', 'null')),
    UnitCost     REAL CONSTRAINT InventoryUnitCostType CHECK (typeof(UnitCost) IN ('real', 'integer', 'null')),
    ReorderPoint INTEGER DEFAULT 0 CONSTRAINT InventoryReorderPointType CHECK (typeof(ReorderPoint) IN ('integer', 'null')),
    MinReq       INTEGER CONSTRAINT InventoryMinReqType CHECK (typeof(MinReq) IN ('integer', 'null')),
    Bin          INTEGER DEFAULT 0 CONSTRAINT InventoryBinType CHECK (typeof(Bin) IN ('integer', 'null')), -- time to order: 0 = No, 1 = Yes
    CONSTRAINT InventoryPartNo UNIQUE (PartNo)
);
CREATE INDEX InventoryDescription ON Inventory (Description);
-- The stock valuation reads only these two columns of every part.
CREATE INDEX InventoryValue ON Inventory (CurrentInv, UnitCost);

-- One row per component of a bill of materials. BoardPN is null for rows added
-- in the BOM editor until the editor closes.
CREATE TABLE BoardBOM (
    BoardPN     TEXT COLLATE NOCASE,
    Description TEXT COLLATE NOCASE,
    PartNo      TEXT COLLATE NOCASE,
    QtyUsed     REAL CONSTRAINT BoardBOMQtyUsedType CHECK (typeof(QtyUsed) IN ('real', 'integer', 'null'))
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

-- The stock ledger: one row per change of a part's stock, newest last.
CREATE TABLE IF NOT EXISTS "StockLedger" ("EntryId" INTEGER PRIMARY KEY AUTOINCREMENT, "ChangedAt" TEXT NOT NULL, "Workstation" TEXT NOT NULL COLLATE NOCASE, "LoginName" TEXT NOT NULL, "PartNo" TEXT NOT NULL COLLATE NOCASE, "Change" INTEGER NOT NULL CHECK (typeof("Change") = 'integer'), "StockAfter" INTEGER, "Source" TEXT NOT NULL, "GroupId" TEXT NOT NULL, "KitNo" TEXT COLLATE NOCASE, "Kits" INTEGER, "Line" INTEGER, "Note" TEXT, "UndoOf" TEXT, "UndoneBy" TEXT, "Saved" TEXT);
CREATE INDEX IF NOT EXISTS "StockLedgerPart" ON "StockLedger" ("PartNo", "ChangedAt");
CREATE INDEX IF NOT EXISTS "StockLedgerGroup" ON "StockLedger" ("GroupId", "PartNo");
CREATE INDEX IF NOT EXISTS "StockLedgerWorkstation" ON "StockLedger" ("Workstation", "EntryId");
