"""Builds the compiled part of the Python module with the project's CMake:
setuptools asks for the extension lattice_thermo._core, and this runs
`cmake --build` for that one target and copies what it makes. The sources
are CMake's alone.

LATTICE_THERMO_BUILD=DIR (relative to this folder, or absolute) takes a
build tree this project's CMake has configured already, such as
build/release, and builds the target there instead of configuring a tree of
its own: where the project is built, pip compiles nothing again."""
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


def version():
    text = open(os.path.join(root, "CMakeLists.txt")).read()
    return re.search(r"project\(\w+ VERSION ([0-9.]+)", text).group(1)


setup(version=version(), ext_modules=[CMakeExtension("lattice_thermo._core")], cmdclass={"build_ext": CMakeBuild})
