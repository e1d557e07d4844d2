import contextlib
import threading
from pathlib import Path

import pytest
import zuvo

ROWS = 3000  # a multiple of both conversions' event intervals: the last count seen is the total
SCHEMA = "(id integer primary key, name varchar(20), qty integer, price numeric, note varchar(10))"


def rows(cn, table):
    return list(cn.open(f"select * from {table} order by 1"))


@pytest.fixture
def src(cn):
    """Tables src (filled) and dst (one stray row a load must delete first)."""
    cn.execute("create table src " + SCHEMA)
    cn.execute("create table dst " + SCHEMA)
    # Nulls in the number columns only: a CSV holds no Null text, it comes back empty.
    cn.execute(
        f"with recursive c(i) as (select 1 union all select i + 1 from c where i < {ROWS}) "
        "insert into src select i, '品目ｱ' || i, case when i % 7 = 0 then null else i * 3 end, "
        "case when i % 11 = 0 then null else i / 4.0 end, '備考' || (i % 5) from c"
    )
    cn.execute("insert into dst (id, name) values (-1, 'stray')")
    return cn


def test_connection_runs_statements_and_queries(cn):
    assert cn.name == "test"
    cn.execute("create table t (k integer, v)")
    values = ["日本ｶﾅ😀", 5, 2.5, None, bytearray(b"\0\1")]
    insert = cn.prepare("insert into t values (?, ?)")
    for k, v in enumerate(values):
        insert.set_parameter(0, k)
        insert.set_parameter(1, v)
        insert.open()
    rs = cn.open("select k, v from t order by k")
    assert rs.columns == ["k", "v"] and not rs.eof
    assert [v for _, v in rs] == values and rs.eof
    select = cn.prepare("select count(*) from t where k >= ?")
    select.set_parameter(0, 3)
    assert list(select.open()) == [(2,)]
    with pytest.raises(zuvo.DatabaseError) as raised:
        cn.execute("bad sql")
    assert isinstance(raised.value, zuvo.RuntimeError) and "syntax error" in raised.value.description
    cn.close()
    with pytest.raises(ValueError):
        cn.execute("select 1")


@pytest.mark.parametrize("fail", [False, True])
def test_with_block_ends_the_transaction_left_open(z, cn, fail):
    cn.execute("create table t (k integer)")
    with pytest.raises(KeyError) if fail else contextlib.nullcontext():
        with cn:
            assert z.RDBStartTran(cn, "", False) == (0, "") and cn.in_transaction
            cn.execute("insert into t values (1)")
            if fail:
                raise KeyError("stop")
    assert not cn.in_transaction
    assert rows(cn, "t") == ([] if fail else [(1,)])


def test_transaction_methods_give_errors_as_numbers(z, cn):
    cn.execute("create table t (k integer primary key)")
    assert z.RDBStartTran(cn, "", True) == (-1, "") and not cn.in_transaction  # a system call
    assert z.RDBStartTran(cn, "", False) == (0, "")
    assert z.RDBExec(cn, "insert into t values (1)") == (0, "")
    duplicate = z.RDBExec(cn, "insert into t values (1)", "old text")
    assert duplicate.result != 0 and "UNIQUE" in duplicate.errs
    bad = z.RDBExec(cn, "bad sql")
    assert bad.result == 1 and "syntax error" in bad.errs and "\n" not in bad.errs
    assert z.RDBCommit(cn) == (0, "") and not cn.in_transaction
    assert rows(cn, "t") == [(1,)]


def test_csv_round_trip_with_progress_and_a_failing_callback(z, src, tmp_path):
    seen = []
    z.on_events(lambda: seen.append(z.GetCnvCount()))
    csv = str(tmp_path / "src.csv")
    assert z.CnvCSVFile(src, "select * from src order by id", csv, False) == ROWS
    exported, seen[:] = seen[:], []
    assert z.SetRDB(src, "delete from dst", csv, "dst") == ROWS
    for counts in (exported, seen):
        assert len(counts) > 1 and counts == sorted(counts) and counts[-1] == ROWS
    assert rows(src, "dst") == rows(src, "src") and z.last_conversion.ok

    def stop():
        seen.append(z.GetCnvCount())
        raise ValueError("stop")

    seen.clear()
    z.on_events(stop)
    with pytest.raises(ValueError, match="stop"):  # only once the load is done
        z.SetRDB(src, "delete from dst", csv, "dst")
    assert len(seen) > 1 and z.GetCnvCount() == ROWS
    assert rows(src, "dst") == rows(src, "src")
    z.on_events(None)
    assert z.SetRDB(src, "delete from dst", csv, "dst") == ROWS  # nothing left over to raise


# The arguments after the connection, from a function naming files in tmp_path.
FAILURES = [
    ("CnvCSVFile", lambda f: ("select * from nosuch", f("a.csv"), False), "nosuch"),
    ("SetRDB", lambda f: ("", f("missing.csv"), "dst"), "missing.csv"),
    ("SetRDB", lambda f: ("delete from nowhere", f("a.csv"), "dst"), "nowhere"),
    ("CnvJefSFFile", lambda f: ("select 12345", f("a.jef"), "n__0003", False), "12345"),
    ("SetJefRDB", lambda f: ("", f("a.jef"), "x__0008", 0, "dst"), "dst"),
]


@pytest.mark.parametrize("method, args, named", FAILURES)
def test_last_conversion_explains_a_failure(z, src, tmp_path, method, args, named):
    (tmp_path / "a.csv").write_text('"a","b"\r\n"1","2"\r\n')
    (tmp_path / "a.jef").write_bytes(b"\xc1" * 8)
    assert getattr(z, method)(src, *args(lambda name: str(tmp_path / name))) == -1
    assert not z.last_conversion.ok and named in z.last_conversion.message


def test_jef_round_trips(z, cn, tmp_path):
    layout = "x__0006 k_l0010 p2_0007 n__0005"
    for table in ("src", "dst"):
        cn.execute(f"create table {table} (code varchar(6), name varchar(10), amount numeric, qty integer)")
    cn.execute(
        "insert into src values ('A001', '東京', -123.45, 5), ('B02', '大阪支店', 0.05, 12345), "
        "('C3', 'カナ', 99999.99, 0)"
    )
    jef, csv, back = (str(tmp_path / n) for n in ("a.jef", "b.csv", "b.jef"))
    assert z.CnvJefSFFile(cn, "select * from src", jef, layout, False) == 3
    assert Path(jef).stat().st_size == 3 * (6 + 10 + 4 + 5)
    assert z.SetJefRDB(cn, "delete from dst", jef, layout, 0, "dst") == 3
    # The kanji field comes back with its full-width padding.
    assert [(c, n.rstrip("\u3000"), a, q) for c, n, a, q in rows(cn, "dst")] == rows(cn, "src")
    assert z.JEFtoCSV(jef, csv, layout, 0, False) == 3
    assert z.CSVtoJEF(csv, back, layout, False) == 3
    assert Path(back).read_bytes() == Path(jef).read_bytes()


def test_sequence_drawn_in_transactions(z, cn):
    lines = (Path(__file__).parents[2] / "data" / "tables.sql").read_text("utf-8").splitlines()
    for statement in "\n".join(x for x in lines if not x.startswith("--")).split(";"):
        if statement.strip():
            cn.execute(statement)
    counter = cn.prepare("select 番号, 終了番号 from seqm where キー = ?")
    counter.set_parameter(0, "")
    counter_rows = counter.open()

    def draw():
        assert z.RDBStartTran(cn, "", False).result == 0
        return z.GetSEQ(cn, "seqm", counter, counter_rows, "受注", 1, "", "", "", "T01", "2001.02.03", "04:05:06")

    first = draw()
    assert first.result == 1 and first.SEQs.startswith("insert into seqm")
    assert z.RDBCommit(cn).result == 0
    assert draw().result == 2 and z.RDBCommit(cn).result == 0
    assert draw().result == 3
    cn.rollback()
    assert not cn.in_transaction
    assert draw().result == 3 and z.RDBCommit(cn).result == 0
    assert rows(cn, "seqm")[0][:2] == ("受注", 3)


def test_a_conversion_on_another_thread_lets_python_run_and_survives_a_close(z, src, tmp_path):
    seen, done = [], threading.Event()

    def progress():  # on the converting thread; closing holds off until the conversion ends
        seen.append(threading.get_ident())
        src.close()

    z.on_events(progress)
    out = str(tmp_path / "t.csv")
    worker = threading.Thread(
        target=lambda: z.CnvCSVFile(src, "select * from src", out, False) == ROWS and done.set()
    )
    worker.start()
    while worker.is_alive():  # the main thread keeps running, and may call in meanwhile
        z.LenByte("あ")
    worker.join()
    assert done.is_set() and set(seen) == {worker.ident}
