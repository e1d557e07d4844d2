"""The module against the command-line program: the same call gives the same result and writes."""
import datetime as dt
import json
import os
import subprocess
from decimal import Decimal

import pytest
import zuvo


def to_json(v):
    if isinstance(v, zuvo.Array):
        return {"Array": [to_json(x) for x in v], "lbound": v.lbound}
    if isinstance(v, list):
        return [to_json(x) for x in v]
    if isinstance(v, Decimal):
        return {"Decimal": str(v)}
    if isinstance(v, dt.date):
        whole = v.replace(microsecond=0) if isinstance(v, dt.datetime) else v
        return {"Date": whole.isoformat()}
    if isinstance(v, (bytes, bytearray)):
        return {"Bytes": v.hex().upper()}
    return {"Empty": None} if v is zuvo.EMPTY else v


def from_json(j):
    """A value as the program prints it, in the form the module gives it."""
    if isinstance(j, list):
        return [from_json(x) for x in j]
    if not isinstance(j, dict):
        return j
    if "Array" in j:
        return zuvo.Array(from_json(j["Array"]), lbound=j["lbound"])
    [(tag, inner)] = j.items()
    return {"Decimal": Decimal, "Currency": Decimal, "Date": dt.datetime.fromisoformat,
            "Bytes": bytearray.fromhex, "Empty": lambda _: zuvo.EMPTY}[tag](inner)


def typed(v):
    """v with the type of every part, so 1, 1.0 and True differ; a list is an array from 0."""
    if isinstance(v, list):
        v = zuvo.Array(v)
    if isinstance(v, zuvo.Array):
        return ("Array", v.lbound, [typed(x) for x in v])
    return (type(v).__name__, v)


A = zuvo.Array
CALLS = [
    ("GetCmdPara", dict(para="a  b ", i=1)),
    ("GetCmdPara", dict(para="a", i=0)),
    ("GetCmdPara", dict(para="a", i=70000)),
    ("Hankaku", dict(dt=" ＡＢｃ１２３ｱ ", mode=2)),
    ("LenByte", dict(s="あいｱ😀")),
    ("MidByte", dict(s="ｱあｲ", st=2, l=2)),
    ("CnvVal", dict(s="1,234.5円")),
    ("CnvStrVal", dict(s=-0.25)),
    ("Marume", dict(num=1234.5678, keta=2, mode=5)),
    ("Marume", dict(num=Decimal("-1.25"), keta=1, mode=0)),
    ("ChkVals", dict(s="-5", ft="##0", zr=False, ms=True)),
    ("ChkStrs", dict(s="Ａｂｃ", ft=10, han=2, stype=1, nu=True)),
    ("ChkFormats", dict(ss="２０００－１－５", ft="0000/00/00", han=0, z1=False, z2=False, z3=False, z4=False)),
    ("CalcDate", dict(dt="2001.02.29", yb=0, ybnm="", ybjp="")),
    ("CalcDays", dict(days=730179.4, yb=0, ybnm="", ybjp="")),
    ("CalcDD", dict(dt=dt.date(2000, 3, 1), days=-1)),
    ("CalcMM", dict(dt="2000.01.31", mms=-1)),
    ("CnvSQL", dict(sql="where d between @ltday and @ntym% and t = @TNCD", tncd="T01")),
    ("GetSQLItem", dict(sql="update t set name = 'abc', code = 12 where x = 1", swd="name")),
    ("GetSQLData", dict(sql="insert into own.t (a, b) values (1, 'x')", s=1)),
    ("GetSQLDataUpdate", dict(sql="update own.t set a = 1, b = 'x' where k = 5", s=0)),
    ("RepSQLItem", dict(sql="set dt = '2000.01.01', kb = 1", swd="dt", s="2001.02.03")),
    ("RepSQLStr", dict(sql="a = XX and b = XX", swd="XX", s="1")),
    ("Encode", dict(s="あa1")),
    ("QSort", dict(d=A([3, "b", 1.5, "a"], lbound=1), l=1, r=4)),
    ("QSortD2", dict(d=[1, 3, 2], d2=["x", "y", "z"], l=0, r=2)),
    ("QSort3", dict(d=A([2, 1], lbound=5), d2=A(["b", "a"], lbound=5), d3=A([None, True], lbound=5), l=5, r=6)),
    ("QSort", dict(d=A([2, 1], lbound=5), l=4, r=6)),
    ("SjisJef", dict(s="AあｱZ", bdt=bytearray(8))),
    ("NumComp3", dict(n=-12.5, bdt=bytearray(4), le=6, p=2)),
    ("Comp3Num", dict(bdt=bytes.fromhex("0001250D"), bmx=3, p=2)),
]


@pytest.mark.parametrize("method, kwargs", CALLS)
def test_module_agrees_with_the_program(z, home, now, method, kwargs):
    program = os.environ.get("ZUVO_PROGRAM")
    if not program:
        pytest.skip("ZUVO_PROGRAM names no program to compare with")
    command = [program, "call", "--home", str(home), "--now", now.isoformat(), method]
    done = subprocess.run(command + [json.dumps(to_json(v)) for v in kwargs.values()],
                          capture_output=True, text=True, timeout=30)
    want = json.loads(done.stdout)
    try:
        got = getattr(z, method)(**kwargs)
    except zuvo.RuntimeError as e:
        assert (e.number, e.argument) == (want["error"]["number"], want["error"].get("argument"))
        assert done.returncode == 1
        return
    assert done.returncode == 0, want
    written = got._asdict() if hasattr(got, "_fields") else {"result": got}
    if (result := written.pop("result")) is not None:  # None: the method returns nothing
        assert typed(result) == typed(from_json(want["result"]))
    names = list(kwargs)
    for name, value in written.items():
        assert typed(value) == typed(from_json(want["args"][names.index(name)])), name
