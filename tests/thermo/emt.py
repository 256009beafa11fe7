"""tools/make_emt_example as a module, for the tests that build EMT
crystals with phonopy (its phonons and cu3au)."""
import importlib.machinery
import importlib.util


def load(tool):
    """The script at `tool` (tools/make_emt_example) as a module."""
    spec = importlib.util.spec_from_loader("emt", importlib.machinery.SourceFileLoader("emt", tool))
    module = importlib.util.module_from_spec(spec)
    spec.loader.exec_module(module)
    return module
