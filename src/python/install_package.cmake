# Run by `cmake --install`: places the package lattice_thermo where the
# Python it was built for imports from, under the install prefix: the first
# site-packages or dist-packages directory under the prefix that Python
# searches (a virtual environment's, when the prefix is one; the user's own
# for ~/.local; /usr/local's dist-packages on Debian). Where it searches none,
# lib/python3.X/site-packages, and a message with the PYTHONPATH to set.
# Set before it: LHC_PACKAGE (the built package), LHC_PYTHON (the Python),
# LHC_PYTHON_SITE (the fallback, relative to the prefix).
set(python ${LHC_PYTHON})
if(EXISTS "${CMAKE_INSTALL_PREFIX}/bin/python3")
  set(python "${CMAKE_INSTALL_PREFIX}/bin/python3")
endif()
execute_process(
  COMMAND "${python}" -c [[
import os, site, sys
prefix = os.path.realpath(sys.argv[1])
searched = sys.path + ([site.getusersitepackages()] if site.ENABLE_USER_SITE else [])
for path in searched:
    real = os.path.realpath(path)
    if real.startswith(prefix + os.sep) and os.path.basename(real) in ("site-packages", "dist-packages"):
        print(path, end="")
        break
]] "${CMAKE_INSTALL_PREFIX}"
  OUTPUT_VARIABLE site RESULT_VARIABLE status)
if(NOT status EQUAL 0 OR site STREQUAL "")
  set(site "${CMAKE_INSTALL_PREFIX}/${LHC_PYTHON_SITE}")
  message(NOTICE "lattice_thermo (Python): installed in ${site}, where ${python} does not look; "
    "before importing it:\n  export PYTHONPATH=${site}")
else()
  message(STATUS "lattice_thermo (Python): in ${site}, which ${python} searches")
endif()
file(INSTALL "${LHC_PACKAGE}" DESTINATION "${site}" PATTERN "__pycache__" EXCLUDE)
