-- The sample middle tier's database: users, their right codes, their pending warnings, and the
-- accounting periods of the account set. The middle tier only reads it.

CREATE TABLE Users (
  UserID   TEXT PRIMARY KEY CHECK (UserID <> '' AND UserID <> '-1'),  -- the user's id; -1 is nobody
  UserCode TEXT NOT NULL UNIQUE,    -- the login name; also the user's configuration folder
  UserName TEXT NOT NULL,           -- the name shown to people
  -- The password as the suite stores it: EncryptPWD, 48 upper-case hexadecimal digits.
  Password TEXT NOT NULL CHECK (length(Password) = 48 AND Password NOT GLOB '*[^0-9A-F]*')
);

-- Hierarchical right codes: a code grants every code that begins with it.
CREATE TABLE UserRights (
  UserID    TEXT NOT NULL REFERENCES Users(UserID) ON DELETE CASCADE,
  RightCode TEXT NOT NULL CHECK (RightCode <> ''),
  PRIMARY KEY (UserID, RightCode)
);

-- Pending warnings, shown to their user in WarningID order.
CREATE TABLE Warnings (
  WarningID INTEGER PRIMARY KEY,
  UserID    TEXT NOT NULL REFERENCES Users(UserID) ON DELETE CASCADE,
  Source    TEXT NOT NULL,
  Content   TEXT NOT NULL
);
CREATE INDEX WarningsByUser ON Warnings(UserID, WarningID);

-- Accounting periods: ID is year x 100 + period number. Status as the suite's ledger uses it:
-- 0 open, 1 closed (posted and locked).
CREATE TABLE Periods (
  ID        INTEGER PRIMARY KEY,
  StartDate DATE NOT NULL,          -- yyyy-mm-dd
  EndDate   DATE NOT NULL,          -- yyyy-mm-dd, the last day of the period
  Status    INTEGER NOT NULL DEFAULT 0,
  CHECK (EndDate >= StartDate)
);
