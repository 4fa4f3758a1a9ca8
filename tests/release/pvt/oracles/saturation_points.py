#!/usr/bin/env python3
"""Saturation points and two-phase splits of the compositional tables' tests
(tests/release/pvt/comp_tables_test.cpp, phase_labels_test.cpp), worked from
the published method: Peng-Robinson (1976) with the components the builder
reports (pvt_table components) and the builder's constants of ln phi (2.414,
0.414, 0.35355), to which splits next to a phase boundary are sensitive.

- saturation: the highest pressure in an interval at which the tangent plane
  of the feed has a non-trivial stationary point below it (Michelsen's test
  by successive substitution from Wilson's vapour- and liquid-like trials and
  nearly pure light ones), bisected: the bubble point of an oil, the upper
  dew point of a condensate;
- splits: every two-phase split reached by successive substitution
  (Rachford-Rice by brentq) from Wilson's factors and from the stationary
  points of the tangent plane, with its Gibbs energy per mole of feed and R T,
  its vapour fraction and gas mass fraction.

Usage: saturation_points.py PVT_TABLE "MODEL:PCT[:MW:DENS] ..." sat T_C,P_LO_PA,P_HI_PA ...
       saturation_points.py PVT_TABLE "MODEL:PCT[:MW:DENS] ..." split T_C,P_PA ...
Takes about a second per saturation point.
"""
import subprocess
import sys

import numpy as np
from scipy.optimize import brentq

R = 0.0820578  # L atm/(mol K)
PA_PER_ATM = 101325.0
def components(tool, comp):
    out = subprocess.run([tool, "components"] + comp.split(), check=True, capture_output=True,
                         text=True).stdout.split("\n")
    rows = [l.split() for l in out if l.startswith("C ")]
    n = len(rows)
    z = np.array([float(r[3]) for r in rows]); tc = np.array([float(r[4]) for r in rows])
    pc = np.array([float(r[5]) for r in rows]); om = np.array([float(r[6]) for r in rows])
    mw = np.array([float(r[7]) for r in rows])
    k = np.zeros((n, n))
    for l in out:
        if l.startswith("KIJ "):
            _, i, j, v = l.split(); k[int(i) - 1, int(j) - 1] = float(v)
    k = np.maximum(k, k.T)
    return z, tc, pc, om, mw, k

class PR:
    def __init__(self, c, T):
        z, tc, pc, om, mw, k = c
        m = 0.37464 + 1.54226 * om - 0.26992 * om**2
        a = 0.45724 * (R * tc)**2 / pc * (1 + m * (1 - np.sqrt(T / tc)))**2
        self.b = 0.07780 * R * tc / pc
        self.aij = np.sqrt(np.outer(a, a)) * (1 - k)
        self.T = T
    def lnphi(self, x, P, root=None):
        am = x @ self.aij @ x; bm = x @ self.b
        A = am * P / (R * self.T)**2; B = bm * P / (R * self.T)
        zs = np.roots([1, -(1 - B), A - 3 * B * B - 2 * B, -(A * B - B * B - B**3)])
        zs = np.sort(zs[np.abs(zs.imag) < 1e-9].real); zs = zs[zs > B]
        s2 = np.sqrt(2)
        def lp(Z):
            return (self.b / bm * (Z - 1) - np.log(Z - B) - 0.35355 * A / B *
                    (2 * (self.aij @ x) / am - self.b / bm) * np.log((Z + 2.414 * B) / (Z - 0.414 * B)))
        if root == 'v': return lp(zs[-1])
        if root == 'l': return lp(zs[0])
        best = None
        for Z in zs:
            l = lp(Z); g = x @ (np.log(np.maximum(x, 1e-300)) + l)
            if best is None or g < best[0]: best = (g, l)
        return best[1]

def tm_min(c, pr, P):
    """Smallest 1 - sum W over the non-trivial stationary points of the
    tangent plane from vapour-like trials (Wilson, nearly pure lightest ones)."""
    z, tc, pc, om = c[0], c[1], c[2], c[3]
    d = np.log(z) + pr.lnphi(z, P)
    K = pc / P * np.exp(5.373 * (1 + om) * (1 - tc / pr.T))
    trials = [z * K, z / K]
    for i in np.argsort(tc)[:3]:
        w = np.full(len(z), 1e-4); w[i] = 1.0; trials.append(w)
    best = np.inf
    for W in trials:
        W = W / W.sum()
        for it in range(3000):
            Wn = np.exp(d - pr.lnphi(W / W.sum(), P))
            if np.max(np.abs(np.log(Wn / W))) < 1e-11: W = Wn; break
            W = Wn
        if np.max(np.abs(W / W.sum() - z)) < 1e-4: continue
        best = min(best, 1 - W.sum())
    return best

def saturation(c, T, plo, phi, steps=24):
    pr = PR(c, T)
    ps = np.geomspace(plo, phi, steps + 1)
    last = None
    for p in ps:
        if tm_min(c, pr, p) < 0: last = p
    if last is None: return None
    if last >= phi: return phi
    hi = ps[np.searchsorted(ps, last) + 1]
    lo = last
    for it in range(30):
        mid = np.sqrt(lo * hi)
        if tm_min(c, pr, mid) < 0: lo = mid
        else: hi = mid
    return 0.5 * (lo + hi)

def splits(c, T, P):
    z, tc, pc, om, M, k = c
    pr = PR(c, T)
    d = np.log(z) + pr.lnphi(z, P)
    K0 = pc / P * np.exp(5.373 * (1 + om) * (1 - tc / T))
    starts = [K0]
    n = len(z)
    trials = [z * K0, z / K0] + [np.eye(n)[i] + 1e-4 for i in range(n)]
    for W in trials:
        W = W / W.sum()
        for it in range(3000):
            Wn = np.exp(d - pr.lnphi(W / W.sum(), P))
            if np.max(np.abs(np.log(Wn / W))) < 1e-12: W = Wn; break
            W = Wn
        if np.max(np.abs(W / W.sum() - z)) > 1e-4 and W.sum() > 1:
            starts += [W / z, z / W]
    out = []
    for K in starts:
        K = K.copy()
        ok = True
        for it in range(20000):
            f = lambda V: np.sum(z * (K - 1) / (1 + V * (K - 1)))
            if np.sum(z * K) <= 1 or np.sum(z / K) <= 1: ok = False; break
            V = brentq(f, 0.0, 1.0, xtol=1e-15)
            x = z / (1 + V * (K - 1)); y = K * x
            Kn = np.exp(pr.lnphi(x, P, 'l') - pr.lnphi(y, P, 'v'))
            if np.max(np.abs(np.log(Kn / K))) < 1e-12: K = Kn; break
            K = Kn
        if not ok or np.max(np.abs(np.log(K))) < 1e-4: continue
        x = z / (1 + V * (K - 1)); y = K * x
        g = V * y @ (np.log(y) + pr.lnphi(y, P, 'v')) + (1 - V) * x @ (np.log(x) + pr.lnphi(x, P, 'l'))
        if (y @ M) > (x @ M): continue  # vapour heavier than liquid: not this labelling
        beta = V * (y @ M) / (V * (y @ M) + (1 - V) * (x @ M))
        out.append((g, V, beta))
    return sorted(set((round(a, 12), round(b, 10), round(cc, 8)) for a, b, cc in out))
if __name__ == "__main__":
    tool, comp, what = sys.argv[1], sys.argv[2], sys.argv[3]
    c = components(tool, comp)
    for arg in sys.argv[4:]:
        if what == "sat":
            t, plo, phi = map(float, arg.split(","))
            ps = saturation(c, t + 273.15, plo / PA_PER_ATM, phi / PA_PER_ATM)
            print(t, plo, phi, None if ps is None else ps * PA_PER_ATM)
        else:
            t, p = map(float, arg.split(","))
            print(t, p, splits(c, t + 273.15, p / PA_PER_ATM))
