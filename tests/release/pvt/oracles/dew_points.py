#!/usr/bin/env python3
"""Dew points of the gases of the dew-line test (tests/release/pvt/phase_labels_test.cpp).

Peng-Robinson (1976) with its exact constants and Michelsen's tangent-plane
stability test (successive substitution from Wilson's vapour- and liquid-like
trial phases and from nearly pure ones), written from the published method.
Component data: the catalogue's Tc (K), Pc (atm), omega and interaction
coefficients (percent), R = 0.0820578 L atm/(mol K). The dew temperature at a
pressure is the highest temperature at which the feed splits: scanned downward
from 60 C in 0.5 K steps, then bisected. Prints the rows of the test's table
(nan: stable from 60 C down to -150 C). Takes a few minutes.
"""
import numpy as np

R = 0.0820578
# row: Tc, Pc, omega
CAT = {2: (304.2, 72.8, 0.225), 3: (126.2, 33.5, 0.035), 4: (190.6, 45.82, 0.013),
       6: (305.4, 48.2, 0.098), 7: (369.8, 41.9, 0.152), 8: (425.2, 37.5, 0.193),
       9: (408.1, 36.0, 0.176), 10: (469.6, 33.3, 0.251), 11: (507.4, 29.3, 0.296)}
KIJ = {(2, 4): 15, (2, 6): 15, (2, 7): 15, (2, 8): 15, (2, 9): 15, (2, 10): 15, (2, 11): 15,
       (3, 4): 12, (3, 6): 12, (3, 7): 12, (3, 8): 12, (3, 9): 12, (3, 10): 12, (3, 11): 12,
       (4, 6): 1, (4, 7): 1, (4, 8): 2, (4, 9): 2, (4, 10): 2, (4, 11): 2.5}
# model index of the input -> catalogue row
ROW = {1: 3, 2: 2, 4: 4, 5: 6, 6: 7, 7: 9, 8: 8, 9: 10, 10: 10, 11: 11}


class Mix:
    def __init__(self, rows):
        self.rows = rows
        d = np.array([CAT[r] for r in rows])
        self.tc, self.pc, self.om = d[:, 0], d[:, 1], d[:, 2]
        n = len(rows)
        self.k = np.zeros((n, n))
        for i in range(n):
            for j in range(n):
                key = (min(rows[i], rows[j]), max(rows[i], rows[j]))
                self.k[i, j] = KIJ.get(key, 0.0) / 100.0

    def params(self, T):
        kap = 0.37464 + 1.54226 * self.om - 0.26992 * self.om ** 2
        alpha = (1 + kap * (1 - np.sqrt(T / self.tc))) ** 2
        a = 0.45724 * (R * self.tc) ** 2 / self.pc * alpha
        b = 0.07780 * R * self.tc / self.pc
        aij = np.sqrt(np.outer(a, a)) * (1 - self.k)
        return aij, b

    def lnphi(self, x, T, P, aij, b, root=None):
        """ln fugacity coefficients of composition x; root None = lowest Gibbs root."""
        am = x @ aij @ x
        bm = x @ b
        A = am * P / (R * T) ** 2
        B = bm * P / (R * T)
        zs = np.roots([1, -(1 - B), A - 3 * B * B - 2 * B, -(A * B - B * B - B ** 3)])
        zs = np.sort(zs[np.abs(zs.imag) < 1e-10].real)
        zs = zs[zs > B]
        s2 = np.sqrt(2)
        def lp(Z):
            return (b / bm * (Z - 1) - np.log(Z - B)
                    - A / (2 * s2 * B) * (2 * (aij @ x) / am - b / bm)
                    * np.log((Z + (1 + s2) * B) / (Z + (1 - s2) * B)))
        if root == 'v':
            return lp(zs[-1])
        if root == 'l':
            return lp(zs[0])
        best = None
        for Z in zs:
            l = lp(Z)
            g = x @ (np.log(np.maximum(x, 1e-300)) + l)
            if best is None or g < best[0]:
                best = (g, l)
        return best[1]


def wilson(m, T, P):
    return m.pc / P * np.exp(5.373 * (1 + m.om) * (1 - m.tc / T))


def stable(m, z, T, P):
    """True when no trial phase lowers the tangent plane (TPD >= 0 for all trials)."""
    aij, b = m.params(T)
    d = np.log(z) + m.lnphi(z, T, P, aij, b)
    K = wilson(m, T, P)
    trials = [z * K, z / K]
    n = len(z)
    for i in range(n):  # nearly pure trial phases as well
        w = np.full(n, 1e-6)
        w[i] = 1.0
        trials.append(w)
    for W in trials:
        W = W.copy()
        for it in range(2000):
            lnW = d - m.lnphi(W / W.sum(), T, P, aij, b)
            Wn = np.exp(lnW)
            if np.max(np.abs(Wn - W)) < 1e-12 * max(1, np.max(W)):
                W = Wn
                break
            W = Wn
        x = W / W.sum()
        if np.max(np.abs(x - z)) < 1e-5:
            continue  # trivial
        if W.sum() > 1 + 1e-8:
            return False
    return True


def dew_temperature(model_pct, P_pa, t_hi=60.0, t_lo=-150.0, step=0.5):
    """Highest temperature (C) at which the feed splits, at P (Pa); None if stable throughout."""
    rows, z = [], []
    for model, pct in model_pct:
        r = ROW[model]
        if r in rows:
            z[rows.index(r)] += pct
        else:
            rows.append(r)
            z.append(pct)
    z = np.array(z) / sum(z)
    m = Mix(rows)
    P = P_pa / 101325.0
    t = t_hi
    while t > t_lo:
        if not stable(m, z, t + 273.15, P):
            lo, hi = t, t + step
            for _ in range(40):
                mid = 0.5 * (lo + hi)
                if stable(m, z, mid + 273.15, P):
                    hi = mid
                else:
                    lo = mid
            return 0.5 * (lo + hi)
        t -= step
    return None


if __name__ == '__main__':
    gases = {
        'lean': [(4, 95.0), (5, 2.5), (6, 1.0), (8, 0.3), (1, 0.7), (2, 0.5)],
        'bundled': [(1, 1), (2, 0.5), (4, 90.5), (5, 5), (6, 2), (7, 0.5), (8, 0.5)],
        'rich': [(4, 80.0), (5, 8.0), (6, 5.0), (8, 2.5), (7, 1.5), (1, 1.5), (2, 1.5)],
    }
    for name in ('lean', 'bundled', 'rich'):
        for p in (3e5, 1e6, 2e6, 6.5e6):
            t = dew_temperature(gases[name], p)
            print('        {"%s", %s, %.1f, %s},' % (name, name, p, "NAN" if t is None else "%.2f" % t),
                  flush=True)
