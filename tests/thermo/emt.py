"""tools/make_emt_example as a module, for the tests that build EMT
crystals with phonopy (its phonons and cu3au)."""
import types


def load(tool):
    """The script at `tool` (tools/make_emt_example) as a module."""
    module = types.ModuleType("emt")
    module.__file__ = tool
    with open(tool) as f:
        exec(compile(f.read(), tool, "exec"), module.__dict__)
    return module
