#!/usr/bin/python3
"""Reference numbers of the near-field tests, worked from the plume formulas.

The surface coefficients c1, c2, c3 come from the dimensionless integral
bubble-plume equations (scipy). Prints the surface solution beside the
17-row coefficient table, the worked plume rows, the plume of each interval
of the overtaking release (the golden file's rows are binned from these by
hand), the plume of the first-second fixture, and the surface values W, A,
Rtime of the plume equations integrated in metres (a separate integration, not
the dimensionless one) at depths 50-2000 m.

Run: /usr/bin/python3 tests/app/nearfield/plume_reference.py
"""
import math

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
    """The table's linear interpolation, held at the last row past it (the
    surface values before they were integrated), for comparison only."""
    for i, key in enumerate(Z):
        if key >= z:
            if i == 0:
                return C1[0], C2[0], C3[0]
            a = (key - z) / 0.06
            return tuple(t[i] - a * (t[i] - t[i - 1]) for t in (C1, C2, C3))
    return C1[-1], C2[-1], C3[-1]


def plume_row(d, q, t, m):
    H = d + 10
    c1, c2, c3 = SURFACE(d / H)
    A, B, C = 0.2 * H * c1, K / H, H * c3
    U = (q * G_OVER_PI * B) ** (1 / 3)
    W, Rtime = c2 * U, C / U
    Time = 1.333 * Rtime + t
    R = (1 + 0.29 * (W / 0.3) ** 0.68) * A * math.sqrt(1 - math.exp(-3 * Time / Rtime))
    return dict(c1=c1, c2=c2, c3=c3, A=A, W=W, Rtime=Rtime, Time=Time, R=R,
                row=[Time, q, m, W, Rtime, q, R])


def plumes(d, release):
    """Rows (Time, MASSLK, QGLEAK) -> the plume of each interval between two
    rows: its mean time, mean gas rate and mass, and where and when it reaches
    the surface. How the arrivals are binned into the result file is a rule of
    the program, tested there by what it must keep (mass, order, no dip)."""
    out, prev = [], (0.0, 0.0, 0.0)
    for T, M, Q in release:
        t, q, m = (prev[0] + T) / 2, (prev[2] + Q) / 2, M - prev[1]
        prev = (T, M, Q)
        if m >= 1e-7 and q >= 1e-7:
            out.append((t, q, m, plume_row(d, q, t, m)))
    return out


def surface(z):
    """Dimensionless plume equations from a point source, zeta = height / H:
    d(c1^2 c2)/dzeta = c1 c2, d(c1^2 c2^2)/dzeta = 1 / (c2 (1 - zeta)),
    dc3/dzeta = 1 / c2; pure plume near the source."""
    k = (3 / (4 * 0.36)) ** (1 / 3)
    z0 = 1e-9
    c1, c2 = 0.6 * z0, k * z0 ** (-1 / 3)
    y0 = [c1 * c1 * c2, c1 * c1 * c2 * c2, 0.75 * z0 ** (4 / 3) / k]

    def rate(x, y):
        # in x = ln zeta
        zeta = math.exp(x)
        X, Y, _ = y
        return [zeta * math.sqrt(Y), zeta * X / (Y * (1 - zeta)), zeta * X / Y]

    sol = solve_ivp(rate, (math.log(z0), math.log(z)), y0, method="DOP853", rtol=1e-13,
                    atol=1e-30)
    X, Y, c3 = sol.y[:, -1]
    return X / math.sqrt(Y), Y / X, c3


SURFACE = surface


def metres(d, q):
    """The plume equations in metres up to the surface of a leak d m deep with
    the gas volume rate q m3/s at the leak: b, u, t at the surface."""
    alpha, lam2, g = 0.1, 0.4225, 9.80665
    H = d + 10
    G = (1 + lam2) * g * q / math.pi
    beta = 1.2 * alpha
    gamma = (3 * G / (2 * beta * beta)) ** (1 / 3)
    z0 = 1e-9 * H
    b, u = beta * z0, gamma * z0 ** (-1 / 3)
    y0 = [b * b * u, b * b * u * u, 0.75 * z0 ** (4 / 3) / gamma]

    def rate(s, y):
        # in s = -ln(1 - z / H), smooth up to the surface
        z = H * -math.expm1(-s)
        dz = H - z
        bu, bu2, _ = y
        b, u = bu / math.sqrt(bu2), bu2 / bu
        return [dz * 2 * alpha * b * u, 2 * G * H / u, dz / u]

    sol = solve_ivp(rate, (-math.log1p(-z0 / H), -math.log1p(-d / H)), y0, method="DOP853",
                    rtol=1e-13, atol=1e-30)
    bu, bu2, t = sol.y[:, -1]
    return bu / math.sqrt(bu2), bu2 / bu, t


def main():
    print("z     table c1 c2 c3        equations c1 c2 c3")
    for i, z in enumerate(Z):
        e = surface(z)
        print(f"{z:.2f}  {C1[i]:.3f} {C2[i]:.2f} {C3[i]:.3f}   {e[0]:.5f} {e[1]:.5f} {e[2]:.5f}")
    for z in (1e-4, 0.02, 0.5, 100 / 110, 0.98, 0.999):
        print(f"z {z:.6g}: c1 %.10g c2 %.10g c3 %.10g" % surface(z))
    for d, q, t in ((100, 1.0, 10), (50, 0.2, 100), (600, 5.0, 0)):
        r = plume_row(d, q, t, 1.0)
        print(f"d {d} q {q} t {t}: " + ", ".join(
            f"{k} {r[k]:.10g}" for k in ("c1", "c2", "c3", "A", "W", "Rtime", "Time", "R")))
    release = [(0, 0, 0), (1, 10, 1.0), (2, 20, 1.0), (60, 500, 0.5)]
    for t, q, m, r in plumes(100, release):
        print(f"t {t:g} q {q:g} m {m:g} -> Time {r['Time']:.6g} W {r['W']:.6g} "
              f"Rtime {r['Rtime']:.6g} R {r['R']:.6g}")
    r = plume_row(1, 5.0, 0.05, 2.0)
    print(f"leak 1 m deep, t 0.05 q 5: Rtime {r['Rtime']:.6g} Time {r['Time']:.6g}")
    print("depth  q      W (m/s)       A (m)         Rtime (s)   in metres")
    for d in (50, 200, 490, 1000, 2000):
        for q in (0.1, 1.0, 10.0):
            b, u, t = metres(d, q)
            print(f"{{{d}, {q}, {u:.9g}, {b:.9g}, {t:.9g}}},")
    print("table interpolation against the equations (relative error of W, A, Rtime)")
    for d in (200, 490, 1000, 2000, 3000):
        z = d / (d + 10)
        e, l = surface(z), lookup(z)
        print(f"depth {d}: " + ", ".join(f"{l[j] / e[j] - 1:+.3f}" for j in (1, 0, 2)))


if __name__ == "__main__":
    main()
