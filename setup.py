"""Builds the compiled part of the Python module with the project's CMake:
setuptools asks for the extension lattice_thermo._core, and this runs
`cmake --build` for that one target and copies what it makes. The sources
are CMake's alone."""
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
        build = os.path.abspath(os.path.join(self.build_temp, "cmake"))
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
        subprocess.run(["cmake", "--build", build, "--target", "_core"], check=True)
        target = self.get_ext_fullpath(ext.name)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy(os.path.join(build, "python", "lattice_thermo", os.path.basename(target)), target)


def version():
    text = open(os.path.join(root, "CMakeLists.txt")).read()
    return re.search(r"project\(\w+ VERSION ([0-9.]+)", text).group(1)


setup(version=version(), ext_modules=[CMakeExtension("lattice_thermo._core")], cmdclass={"build_ext": CMakeBuild})
