"""Builds the compiled part of the Python module with the project's CMake:
setuptools asks for the extension lattice_thermo._core, and this runs
`cmake --build` for that one target and copies what it makes. The sources
are CMake's alone.

Where the project is built already, pip compiles nothing again: it builds
the target in that build tree, which is up to date (seconds). The tree is
build/release where the release preset has configured it for the Python
that runs pip (a virtual environment's counts as the interpreter it was
made from), or LATTICE_THERMO_BUILD=DIR (relative to this folder, or
absolute), any tree of this project's CMake. Otherwise pip configures a tree
of its own and compiles the library and the module from scratch: minutes
(see the README)."""
import os
import re
import shutil
import subprocess
import sys

from setuptools import Extension, setup
from setuptools.command.build_ext import build_ext

root = os.path.dirname(os.path.abspath(__file__))


class CMakeExtension(Extension):
    def __init__(self, name):
        super().__init__(name, sources=[])


class CMakeBuild(build_ext):
    def build_extension(self, ext):
        given = os.environ.get("LATTICE_THERMO_BUILD")
        if given:
            build = os.path.join(root, given)
            if not os.path.isfile(os.path.join(build, "CMakeCache.txt")):
                sys.exit(f"LATTICE_THERMO_BUILD={given}: {build} is not a CMake build tree")
        elif reusable(os.path.join(root, "build", "release")):
            build = os.path.join(root, "build", "release")
        else:
            build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
            self.configure(build)
        subprocess.run(["cmake", "--build", build, "--target", "_core"], check=True)
        target = self.get_ext_fullpath(ext.name)
        built = os.path.join(build, "python", "lattice_thermo", os.path.basename(target))
        if not os.path.isfile(built):
            sys.exit(f"{build} holds no {os.path.basename(target)}: it was configured for another Python than "
                     f"{sys.executable}, or without the module")
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(built, target)

    @staticmethod
    def configure(build):
        configure = ["cmake", "-S", root, "-B", build, "-DCMAKE_BUILD_TYPE=Release", "-DLHC_TESTS=OFF",
                     f"-DPython3_EXECUTABLE={sys.executable}"]
        if shutil.which("ninja"):
            configure += ["-G", "Ninja"]
        try:  # pybind11 as pip installs it, where it is not Debian's
            import pybind11
            configure.append(f"-Dpybind11_DIR={pybind11.get_cmake_dir()}")
        except ImportError:
            pass
        subprocess.run(configure, check=True)


def cached(build):
    """The variables of a build tree's CMakeCache.txt ({} where it has none)."""
    try:
        with open(os.path.join(build, "CMakeCache.txt")) as f:
            return dict(re.findall(r"^([A-Za-z_0-9]+):[A-Z]+=(.*)$", f.read(), re.M))
    except OSError:
        return {}


def reusable(build):
    """Whether the build tree has the module, for the Python that runs this."""
    cache = cached(build)
    python = cache.get("Python3_EXECUTABLE") or cache.get("_Python3_EXECUTABLE")
    if not python or not cache.get("pybind11_DIR") or cache["pybind11_DIR"].endswith("NOTFOUND"):
        return False
    if os.path.realpath(python) != os.path.realpath(sys.executable):
        print(f"{build} was configured for {python}, not {sys.executable}: the module is built from scratch")
        return False
    return True


def version():
    text = open(os.path.join(root, "CMakeLists.txt")).read()
    return re.search(r"project\(\w+ VERSION ([0-9.]+)", text).group(1)


setup(version=version(), ext_modules=[CMakeExtension("lattice_thermo._core")], cmdclass={"build_ext": CMakeBuild})
