-- Seed data of the sample configuration. Passwords are stored as EncryptPWD gives them under
-- the suite's ANSI code page 936: admin/admin, kj01/1234, cn01 with the empty password.

INSERT INTO Users (UserID, UserCode, UserName, Password) VALUES
  ('1',   'admin', '系统管理员', 'DF158C4CCC04932FE94AE05FFD4AE34090439D52A276B870'),
  ('101', 'kj01',  '张会计',     '8F458A4A945C962A82218B349621882BFB28F639C91DD31B'),
  ('102', 'cn01',  '李出纳',     'BE748949A46C922E86258F3092258C2FFF2CF23DCD19D71F');

-- admin holds every top-level code; kj01 holds 01 (with all its sub-codes) and the single
-- sub-code 0203; cn01 holds 03 only.
INSERT INTO UserRights (UserID, RightCode) VALUES
  ('1', '01'), ('1', '02'), ('1', '03'), ('1', '04'), ('1', '05'),
  ('101', '01'), ('101', '0203'),
  ('102', '03');

INSERT INTO Warnings (WarningID, UserID, Source, Content) VALUES
  (1, '101', '凭证管理', '有 3 张凭证等待审核'),
  (2, '101', '期末处理', '2003 年 6 月尚未结账'),
  (3, '101', '系统管理', '口令已使用 90 天，请及时修改'),
  (4, '1',   '系统管理', '数据已 7 天未备份');

INSERT INTO Periods (ID, StartDate, EndDate, Status) VALUES
  (200301, '2003-01-01', '2003-01-31', 1),
  (200302, '2003-02-01', '2003-02-28', 1),
  (200303, '2003-03-01', '2003-03-31', 1),
  (200304, '2003-04-01', '2003-04-30', 1),
  (200305, '2003-05-01', '2003-05-31', 1),
  (200306, '2003-06-01', '2003-06-30', 1),
  (200307, '2003-07-01', '2003-07-31', 0),
  (200308, '2003-08-01', '2003-08-31', 0),
  (200309, '2003-09-01', '2003-09-30', 0),
  (200310, '2003-10-01', '2003-10-31', 0),
  (200311, '2003-11-01', '2003-11-30', 0),
  (200312, '2003-12-01', '2003-12-31', 0);
