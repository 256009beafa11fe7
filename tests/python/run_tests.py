#!/usr/bin/env python3
"""Runs the module's pytest suite; exit 77 (skipped) where pytest or the
module cannot be imported."""
import os
import sys

try:
    import pytest
    import lattice_thermo  # noqa: F401
except ImportError as e:
    print(f"{e}: the Python module's tests are skipped (Debian: apt-get install python3-pytest)")
    sys.exit(77)
sys.exit(pytest.main(["-q", "-p", "no:cacheprovider", os.path.dirname(os.path.abspath(__file__))]))
