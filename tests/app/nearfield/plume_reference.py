#!/usr/bin/python3
"""Reference numbers of the near-field tests, worked from the plume formulas.

Prints the three worked plume rows, the golden plume result file of the
overtaking release (smoothing 0 and 1) with its average boil-zone radius, and
the surface solution of the integral bubble-plume equations (scipy) beside the
coefficient table, with the largest deviation of the table's linear
interpolation from the equations for depths 20-400 m.

Run: /usr/bin/python3 tests/app/nearfield/plume_reference.py
"""
import math

import numpy as np
from scipy.integrate import solve_ivp

Z = [0.02 + 0.06 * i for i in range(17)]
C1 = [0.012, 0.048, 0.083, 0.118, 0.152, 0.186, 0.220, 0.252, 0.284, 0.314, 0.344,
      0.372, 0.397, 0.420, 0.438, 0.447, 0.427]
C2 = [4.73, 3.03, 2.56, 2.32, 2.18, 2.08, 2.01, 1.97, 1.94, 1.93, 1.94, 1.97, 2.01,
      2.09, 2.21, 2.43, 3.04]
C3 = [0.004, 0.020, 0.042, 0.067, 0.093, 0.122, 0.151, 0.181, 0.212, 0.243, 0.274,
      0.304, 0.335, 0.364, 0.392, 0.418, 0.440]
K = (0.4225 + 1) / (2 * 0.01)
G_OVER_PI = 9.80665 / math.pi


def lookup(z):
    for i, key in enumerate(Z):
        if key >= z:
            if i == 0:
                return C1[0], C2[0], C3[0]
            a = (key - z) / 0.06
            return tuple(t[i] - a * (t[i] - t[i - 1]) for t in (C1, C2, C3))
    return C1[-1], C2[-1], C3[-1]


def plume_row(d, q, t, m):
    H = d + 10
    c1, c2, c3 = lookup(d / H)
    A, B, C = 0.2 * H * c1, K / H, H * c3
    U = (q * G_OVER_PI * B) ** (1 / 3)
    W, Rtime = c2 * U, C / U
    Time = 1.333 * Rtime + t
    R = (1 + 0.29 * (W / 0.3) ** 0.68) * A * math.sqrt(1 - math.exp(-3 * Time / Rtime))
    return dict(c1=c1, c2=c2, c3=c3, A=A, W=W, Rtime=Rtime, Time=Time, R=R,
                row=[Time, q, m, W, Rtime, q, R])


def dbs(d, release, smoothing):
    """Rows (Time, MASSLK, QGLEAK) -> plume file rows and average radius."""
    samples, prev = [], (0.0, 0.0, 0.0)
    for T, M, Q in release:
        t, q, m = (prev[0] + T) / 2, (prev[2] + Q) / 2, M - prev[1]
        prev = (T, M, Q)
        if m >= 1e-7 and q >= 1e-7:
            samples.append(plume_row(d, q, t, m)["row"])
    samples.sort(key=lambda r: r[0])  # stable
    rows, acc, b, L, M, avg = [], [0.0] * 7, 0, 0, 0.0, 0.0

    def close():
        nonlocal avg
        avg += acc[6] * L
        acc[2] = M
        if abs(L) > 1e-7:
            acc[5] /= L
        rows.append(list(acc))

    for p in samples:
        s = math.trunc(p[0])
        if s > b:
            close()
            acc, L = [0.0] * 7, s - b
            acc[0] = s
        acc[1], acc[3], acc[4], acc[6] = p[1], p[3], p[4], p[6]
        acc[5] += p[2]
        M += p[2]
        b = s
    close()
    if acc[0] > 1:
        avg /= acc[0]
    if smoothing >= 1:
        last = len(rows) - 1
        for k in range(len(rows)):
            lead, trail = min(k + smoothing, last), max(k - smoothing, 0)
            span = rows[lead][0] - rows[trail][0]
            if span > 1e-8:
                rows[k][5] = (rows[lead][2] - rows[trail][2]) / span
    return rows, avg


def surface_solution():
    """Dimensionless plume equations from a point source, zeta = z / H."""
    k = (3 / (4 * 0.36)) ** (1 / 3)
    z0 = 1e-7
    c1, c2 = 0.6 * z0, k * z0 ** (-1 / 3)
    y0 = [c1 * c1 * c2, c1 * c1 * c2 * c2, 0.75 * z0 ** (4 / 3) / k]

    def rate(z, y):
        X, Y, _ = y
        return [math.sqrt(Y), X / (Y * (1 - z)), X / Y]

    sol = solve_ivp(rate, (z0, 0.99), y0, rtol=1e-12, atol=1e-15, dense_output=True)

    def at(z):
        X, Y, c3 = sol.sol(z)
        return X / math.sqrt(Y), Y / X, c3
    return at


def main():
    for d, q, t in ((100, 1.0, 10), (50, 0.2, 100), (600, 5.0, 0)):
        r = plume_row(d, q, t, 1.0)
        print(f"d {d} q {q} t {t}: " + ", ".join(
            f"{k} {r[k]:.10g}" for k in ("c1", "c2", "c3", "A", "W", "Rtime", "Time", "R")))
    release = [(0, 0, 0), (1, 10, 1.0), (2, 20, 1.0), (60, 500, 0.5)]
    for w in (0, 1):
        rows, avg = dbs(100, release, w)
        print(f"smoothing {w}:")
        for row in rows:
            print(" ".join("%-#8.6g" % v for v in row) + "|")
        print(f"average boil-zone radius {avg:.9g}")
    at = surface_solution()
    print("z     table c1 c2 c3        equations c1 c2 c3")
    for i, z in enumerate(Z):
        e = at(z)
        print(f"{z:.2f}  {C1[i]:.3f} {C2[i]:.2f} {C3[i]:.3f}   {e[0]:.5f} {e[1]:.5f} {e[2]:.5f}")
    worst = {"<=0.92": [0, 0, 0], ">0.92": [0, 0, 0]}
    for d in np.linspace(20, 400, 3801):
        z = d / (d + 10)
        e, l = at(z), lookup(z)
        key = "<=0.92" if z <= 0.92 else ">0.92"
        worst[key] = [max(w, abs(l[j] / e[j] - 1)) for j, w in enumerate(worst[key])]
    for key, w in worst.items():
        print(f"z {key}: largest relative error of A {w[0]:.4f}, W {w[1]:.4f}, Rtime {w[2]:.4f}")


if __name__ == "__main__":
    main()
