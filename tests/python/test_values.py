import builtins
import datetime as dt
from decimal import Decimal

import pytest
import zuvo

# A one-element sort hands its element back as the library holds it: what goes in comes out.
UNCHANGED = [
    "日本語ｶﾅ😀", "caf\xe9\x00", "\ud800",  # a lone surrogate is kept, not replaced
    7, -(2**31), 2.5, True, None, zuvo.EMPTY, Decimal("-0.0001"),
    dt.datetime(2000, 1, 5, 10, 30, 7), dt.datetime(1800, 1, 1, 6, 0),  # before day 0, with a time
]
ROUND_TRIPS = [(v, v) for v in UNCHANGED] + [
    (2**31, Decimal(2**31)),  # past Long: a Decimal with every digit
    (-(2**96 - 1), Decimal(-(2**96 - 1))),
    (dt.date(2000, 1, 5), dt.datetime(2000, 1, 5)),
]


@pytest.mark.parametrize("value, back", ROUND_TRIPS)
def test_values_pass_through_unchanged(z, value, back):
    got = z.QSort([value], 0, 0).d[0]
    assert type(got) is type(back) and got == back


PROBES = [
    ("CnvStr", (12345678901,), "12345678901"),
    ("CnvStr", (2**96 - 1,), "79228162514264337593543950335"),
    ("CnvStr", (1.5,), "1.5"), ("CnvStr", (1e15,), "1E+15"),
    ("CnvStr", (True,), "True"), ("CnvStr", (None,), ""), ("CnvStr", (zuvo.EMPTY,), ""),
    ("CnvStr", (Decimal("1.30"),), "1.3"),
    ("CnvStr", (dt.datetime(2000, 1, 5, 10, 30, 7, 999999),), "2000/01/05 10:30:07"),
    ("CnvStr", (dt.date(2000, 1, 5),), "2000/01/05"),
    ("CnvStr", (bytearray(b"ab"),), ""),  # bytes have no text
    ("CnvVal", ("12.5abc",), 12.5),
    ("CnvVal", (dt.datetime(2000, 1, 1, 12),), 36526.5), ("CnvVal", (True,), -1.0),
    ("LenByte", ("あいう",), 6), ("LenByte", ("ｱｲa😀",), 5),
    ("MidByte", ("あいう", 2, 3), "いう"),
    ("MidByte", ("😀あ", 1, 2), "😀"),
    ("Hankaku", ("ＡＢＣ１２３", 1), "abc123"),
    ("Marume", (1.25, 1, 5), Decimal("1.3")),
    ("Marume", (Decimal("0.285"), 2, 5), Decimal("0.29")),
    ("CalcDD", (dt.date(2000, 2, 28), 1), "2000.02.29"),
    ("CalcDD", (dt.datetime(2000, 12, 31), 1), "2001.01.01"),
    ("CnvSQL", ("where d = @today and t = @tncd", "T01"), "where d = '2001.02.03' and t = 'T01'"),
]


@pytest.mark.parametrize("method, args, want", PROBES)
def test_values_are_read_and_given_as_their_kind(z, method, args, want):
    got = getattr(z, method)(*args)
    assert type(got) is type(want) and got == want


WRITTEN = [
    ("GetCmdPara", ("a  b ", 1), {}, ("a", 4)),
    ("GetCmdPara", (), {"para": "a b", "i": 1}, ("a", 3)),
    ("GetCmdPara", ("a b c", 2.5), {}, ("", 3)),  # 2.5 rounds to the even 2, a blank
    ("CalcDate", ("2000.02.30",), {}, (730179, "2000.02.29", 2, "Tue", "火曜日")),
    ("CalcDays", (730179,), {}, ("2000.02.29", 2, "Tue", "火曜日")),
    ("ChkVals", ("１２３４", "#,##0", False, False), {}, (True, "1,234")),
    ("ChkFormats", ("2000/1/5", "0000/00/00", 0, False, False, False, False), {}, (True, "2000/01/05")),
    ("RepSQLItem", ("set a = 123, b = 1", "a", "9"), {}, (True, "set a = 923, b = 1")),
]


@pytest.mark.parametrize("method, args, kwargs, want", WRITTEN)
def test_written_parameters_come_back_with_the_result(z, method, args, kwargs, want):
    assert tuple(getattr(z, method)(*args, **kwargs)) == want


def test_written_parameters_are_named(z):
    assert z.GetCmdPara("a  b ", 1).i == 4 and z.CalcDate("2000.02.30").ybjp == "火曜日"


ERRORS = [
    ("GetCmdPara", ("a", 0), 5, None),
    ("GetCmdPara", ("a", 70000), 6, 2),
    ("GetCmdPara", ("a", "abc"), 13, 2),
    ("GetCmdPara", (None, 1), 13, 1),
    ("LenByte", (None,), 94, None),
    ("LenByte", ("a" * 32768,), 6, None),
    ("CnvSQL", ("@tncd", 5), 13, None),
    ("QSort", (zuvo.Array([3, 1, 2], lbound=1), 0, 3), 9, None),
    ("QSort", (zuvo.Array([3, 1, 2], lbound=1), 1, 4), 9, None),
    ("QSort", ([b"a", b"b"], 0, 1), 13, None),
    ("SjisJef", ("ABC", bytearray(2)), 9, None),
]


@pytest.mark.parametrize("method, args, number, argument", ERRORS)
def test_run_time_errors_carry_number_and_argument(z, method, args, number, argument):
    with pytest.raises(zuvo.RuntimeError) as raised:
        getattr(z, method)(*args)
    e = raised.value
    assert isinstance(e, builtins.RuntimeError) and not isinstance(e, zuvo.DatabaseError)
    assert (e.number, e.argument) == (number, argument)
    assert e.description and e.description in str(e)


REJECTED = [
    (TypeError, "CnvStr", ([1],), {}),  # a list where a value goes
    (TypeError, "RDBCommit", ("cn",), {}),
    (TypeError, "GetCmdPara", ("a",), {"j": 1}),
    (TypeError, "GetCmdPara", ("a", 1, 2), {}),
    (TypeError, "GetCmdPara", (), {"i": 1}),
    (TypeError, "CnvStr", (1,), {"s": 1}),
    (TypeError, "SjisJef", ("A", b"1234"), {}),  # bytes can't be written in place
    (TypeError, "JefSjis", ("C1", 0, 1), {}),
    (OverflowError, "CnvStr", (2**96,), {}),
    (OverflowError, "CnvStr", (-(10**29),), {}),
    (ValueError, "CnvStr", (Decimal("NaN"),), {}),
]


@pytest.mark.parametrize("kind, method, args, kwargs", REJECTED)
def test_arguments_python_cannot_pass(z, kind, method, args, kwargs):
    with pytest.raises(kind):
        getattr(z, method)(*args, **kwargs)


@pytest.mark.parametrize("value, number", [(Decimal("1E+29"), 6), (dt.datetime(50, 1, 1), 5)])
def test_value_the_library_cannot_hold_names_its_argument(z, value, number):
    with pytest.raises(zuvo.RuntimeError) as raised:
        z.MidByte("abc", 1, value)
    assert (raised.value.number, raised.value.argument) == (number, 3)


def test_byte_arrays_are_written_in_place(z):
    buf = bytearray(6)
    r = z.SjisJef("AB", buf)
    assert r.bdt is buf and r.result == 1 and buf == bytes.fromhex("c1c2") + bytes(4)
    assert z.JefSjis(bytes(buf), r.result, 1) == "AB"
    packed = bytearray(4)
    assert z.NumComp3(-123.45, packed, 6, 2) == (3, 123.45, packed)  # n is made positive
    assert packed == bytes.fromhex("0012345d")
    assert z.Comp3Num(bytes(packed), 3, 2) == "-123.45"


@pytest.mark.parametrize("text", ["Aあ", "東京ｶﾅ", "漢字かなカナABC"])
def test_jef_with_shift_codes_reads_back(z, text):
    r = z.SjisJefShift(text, bytearray(len(text) * 4))
    assert z.JefSjisShift(r.bdt, r.result) == text


def test_arrays_keep_their_lower_bound(z):
    r = z.QSort2(zuvo.Array([3, 1, 2], lbound=1), zuvo.Array(["c", "a", "b"], lbound=1), 1, 3)
    assert r == (None, zuvo.Array([1, 2, 3], lbound=1), zuvo.Array(["a", "b", "c"], lbound=1))
    part = z.QSort(zuvo.Array([5, 4, 3, 2], lbound=-1), 0, 2).d  # only l to r are sorted
    assert part == zuvo.Array([5, 2, 3, 4], lbound=-1)
    assert z.QSortD([1, 3, 2], 0, 2).d == [3, 2, 1]  # a list comes back a list
    mixed = [3, "b", 1.5, "a", Decimal("2.5"), 10]
    assert z.QSort(mixed, 0, 5).d == [1.5, Decimal("2.5"), 3, 10, "a", "b"]


def test_array_and_empty_behave_as_values():
    a = zuvo.Array(["x", "y"], lbound=1)
    assert (a[1], a[2], a.ubound, len(a), list(a)) == ("x", "y", 2, 2, ["x", "y"])
    with pytest.raises(IndexError):
        a[0]
    assert eval(repr(a), {"zuvo": zuvo}) == a != zuvo.Array(["x", "y"])
    assert not zuvo.EMPTY and repr(zuvo.EMPTY) == "zuvo.EMPTY"
