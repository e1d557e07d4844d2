-- Staff master, sequence table and the program, message and log masters; the same text
-- runs on SQLite and on PostgreSQL.
-- The column names are fixed; the table names are the caller's choice.
create table if not exists 社員マスタ (
  社員番号 varchar(10) primary key,
  氏名 varchar(40) not null,
  事業所CD char(2) not null,
  部CD char(2) not null,
  課CD char(2) not null,
  レベル char(1) not null,
  担当者PW varchar(20),
  課PW varchar(20)
);
create table if not exists seqm (
  キー varchar(40) primary key,
  番号 integer not null,
  開始番号 integer not null,
  終了番号 integer not null,
  更新担当者 varchar(10),
  更新日付 char(10),
  更新時間 char(8)
);
create table if not exists pgmm (
  プログラム varchar(40) primary key,
  タイトル varchar(80),
  バージョン varchar(20),
  実行回数 integer,
  作成日付 char(10),
  修正日付 char(10),
  更新担当者 varchar(10),
  更新日付 char(10),
  更新時間 char(8)
);
create table if not exists msgm (
  日付 char(10) not null,
  時間 char(8),
  番号 integer not null,
  事業所 varchar(10),
  担当者 varchar(10),
  エラー varchar(10),
  プログラム varchar(40),
  メッセージ varchar(400),
  エラー内容 varchar(400),
  SQL text,
  IP varchar(40),
  USERNAME varchar(40),
  primary key (日付, 番号)
);
create table if not exists logm (
  日付 char(10) not null,
  時間 char(8),
  番号 integer not null,
  枝番 integer not null,
  事業所 varchar(10),
  担当者 varchar(10),
  取引区分 varchar(10),
  更新前番号 integer,
  送信済 char(1),
  SQL text,
  IP varchar(40),
  USERNAME varchar(40),
  primary key (日付, 番号, 枝番)
);
