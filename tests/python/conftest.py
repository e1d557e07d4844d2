import datetime
import shutil
from pathlib import Path

import pytest
import zuvo

DATA = Path(__file__).parents[2] / "data"
NOW = datetime.datetime(2001, 2, 3, 4, 5, 6)


@pytest.fixture
def now():
    return NOW


@pytest.fixture
def home(tmp_path):
    """A home directory holding only the JEF conversion table."""
    path = tmp_path / "home"
    path.mkdir()
    shutil.copy(DATA / "sjisjef.tbl", path)
    return path


@pytest.fixture
def z(home):
    return zuvo.ZuvoCls(home=home, now=NOW)


@pytest.fixture
def cn(tmp_path):
    connection = zuvo.connect("sqlite:" + str(tmp_path / "test.db"))
    yield connection
    connection.close()
