-- The demo host's menu texts (slot 1 of resource.ini): menu titles 100-199, commands 200-299.
-- The build makes strings.db from this file (demo/config/CMakeLists.txt).
CREATE TABLE strings (ID INTEGER PRIMARY KEY, content TEXT);
INSERT INTO strings (ID, content) VALUES
  (101, '系统(&S)'), (102, '凭证(&V)'), (103, '账簿(&B)'), (104, '出纳(&C)'), (105, '工具(&T)'), (106, '窗口(&W)'), (107, '帮助(&H)'),
  (201, '登录(&L)...'), (202, '注销(&O)'), (203, '退出(&X)'),
  (211, '凭证录入(&E)'), (212, '导入凭证(&I)...'),
  (221, '总账(&G)'), (222, '会计期间(&P)'),
  (231, '现金日记账(&C)'),
  (241, '查询第 13 个会计期间(&E)'), (242, '配置查看(&F)'),
  (251, '层叠(&C)'), (252, '平铺(&T)'),
  (261, '帮助主题(&H)	F1'), (262, '索引(&I)');
