"""phonopy's QHA made a reference for the QHA comparisons: its two unit
constants set to the SI values this program uses (its shipped ones are
CODATA-1986's, 4e-7 off in GPa), and its fit tightened (an exact Jacobian by
the complex step, tolerances of 1e-15), as the shipped ones are too loose."""
import numpy as np
from scipy.optimize import leastsq
import phonopy.qha.core as core


def tight(volumes, fe, eos_function):
    """phonopy's fit with the exact Jacobian (complex step) and 1e-15 tolerances."""
    v, e = np.array(volumes), np.array(fe)
    def residuals(p):
        return eos_function(v, *p) - e
    def jacobian(p):
        j = np.empty((len(v), 4))
        for k in range(4):
            q = np.array(p, dtype=complex)
            q[k] += 1e-30j
            j[:, k] = eos_function(v + 0j, *q).imag / 1e-30
        return j
    p0 = [e[len(e) // 2], 1.0, 4.0, v[len(v) // 2]]
    return leastsq(residuals, p0, Dfun=jacobian, full_output=1, ftol=1e-15, xtol=1e-15, gtol=1e-15,
                   maxfev=100000)[0]


def tighten():
    """SI constants and the tight fit in phonopy's QHA; its core module."""
    ev, na = 1.602176634e-19, 6.02214076e23
    core.EvTokJmol = ev * na / 1000
    core.EVAngstromToGPa = ev * 1e21
    core.fit_to_eos = tight
    return core
