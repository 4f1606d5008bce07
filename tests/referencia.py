"""Referencia lenta en numpy de la silueta, la rejilla, los colores, el latido y el compositor."""

import ctypes
import ctypes.util
import math

import numpy as np

F = np.float32
# La libm de C, la misma que usa el módulo: la de numpy puede diferir en la última cifra.
_libm = ctypes.CDLL(ctypes.util.find_library("m"))
for _f, _args in (("powf", [ctypes.c_float] * 2), ("expf", [ctypes.c_float])):
    getattr(_libm, _f).restype, getattr(_libm, _f).argtypes = ctypes.c_float, _args


def _trunc(v):
    return int(v) if v > 0 else 0


def _tramo(paso, i, total):
    a = min(total - 1, _trunc(F(paso) * F(i)))
    return a, min(max(_trunc(F(paso) * F(i + 1)), a + 1), total)


def _redondear(v):
    v = F(v)
    r = np.floor(v)
    return int(r + (v - r >= F(0.5)))


def _borde(a):
    return np.concatenate([np.stack([a[0], a[-1]], 1).reshape(-1, *a.shape[2:]),
                           np.stack([a[:, 0], a[:, -1]], 1).reshape(-1, *a.shape[2:])])


def mascara(rgba: np.ndarray, umbral=None) -> np.ndarray:
    """Figura sin suavizado ni relleno de huecos."""
    alfa = rgba[..., 3]
    if (alfa < 250).any():
        return alfa >= 128
    rgb = rgba[..., :3].astype(np.int64)
    borde = _borde(rgb)
    fondo = np.sort(borde, axis=0)[len(borde) // 2]
    v = np.sqrt(((rgb - fondo) ** 2).sum(-1).astype(F)) * F(255.0) / F(441.7)
    r = np.floor(v)
    d = np.minimum(r + (v - r >= F(0.5)), 255).astype(np.int64)
    if umbral is None:  # Otsu, limitado por el percentil 99 del borde más 10
        hist = np.bincount(d.ravel(), minlength=256).astype(np.float64)
        total = float((np.arange(256) * hist).sum())
        wb, sumb = np.cumsum(hist), np.cumsum(np.arange(256) * hist)
        wf = d.size - wb
        with np.errstate(divide="ignore", invalid="ignore"):
            entre = (wb * wf) * (sumb / wb - (total - sumb) / wf) ** 2
        entre[(wb == 0) | (wf == 0)] = -1
        db = np.sort(_borde(d))
        umbral = min(int(np.argmax(entre)), db[len(db) * 99 // 100] + 10)
    return d > umbral


def _celdas(h, w, columnas, aspecto):
    """Los tramos de píxeles (y0, y1, x0, x1) de cada celda, por filas."""
    cw = F(w) / F(columnas)
    ch = F(aspecto) * cw
    xs = [_tramo(cw, c, w) for c in range(columnas)]
    return [[(*_tramo(ch, r, h), *x) for x in xs] for r in range(max(1, _redondear(F(h) / ch)))]


def rejilla(m: np.ndarray, columnas: int, aspecto: float = 2.0) -> np.ndarray:
    return np.array([[m[y0:y1, x0:x1].size <= 2 * int(m[y0:y1, x0:x1].sum()) for y0, y1, x0, x1 in fila]
                     for fila in _celdas(*m.shape, columnas, aspecto)])


_LINEAL = np.array([_libm.powf(F(v) / F(255), F(2.2)) for v in range(256)], F)


def colores(rgba: np.ndarray, m: np.ndarray, columnas: int, aspecto: float = 2.0) -> np.ndarray:
    """Media en luz lineal de los píxeles de figura de cada celda, sumando en orden de visita."""
    celdas = _celdas(*m.shape, columnas, aspecto)
    out = np.zeros((len(celdas), columnas, 3), np.uint8)
    for r, fila in enumerate(celdas):
        for c, (y0, y1, x0, x1) in enumerate(fila):
            px = rgba[y0:y1, x0:x1, :3][m[y0:y1, x0:x1]]  # fila a fila, de izquierda a derecha
            if len(px):  # add.accumulate suma en secuencia, no por pares como sum()
                for k, suma in enumerate(np.add.accumulate(_LINEAL[px], axis=0, dtype=F)[-1]):
                    v = F(_libm.powf(suma / F(len(px)), F(1) / F(2.2))) * F(255)
                    out[r, c, k] = min(255, math.floor(float(v) + 0.5))
    return out


def escala(i, n, latido):
    """El factor del fotograma i de n con latido."""
    t = F(i) / F(n)
    a, b = (t - F(0.1)) / F(0.06), (t - F(0.32)) / F(0.07)
    pulso = max(F(_libm.expf(-(a * a))), F(0.6) * F(_libm.expf(-(b * b))))
    return F(1) - F(latido) * (F(1) - pulso)


def encoger(m, factor):
    """La máscara encogida hacia su centro (vecino más próximo)."""
    def origen(n):
        c = F(n) / F(2)
        s = c + ((np.arange(n, dtype=F) + F(0.5)) - c) / F(factor)
        dentro = (s >= 0) & (s < n)
        return np.where(dentro, s, 0).astype(np.int64), dentro

    (iy, oky), (ix, okx) = origen(m.shape[0]), origen(m.shape[1])
    return m[iy][:, ix] & oky[:, None] & okx[None, :]


def caja(*rejillas):
    """Primera y última fila con figura y primera columna con figura, comunes a las rejillas."""
    llenas = [(f, int(np.argmax(rj[f]))) for rj in rejillas for f in range(rj.shape[0]) if rj[f].any()]
    if not llenas:
        raise ValueError("no se encontró ninguna silueta en la imagen")
    return min(llenas)[0], max(llenas)[0], min(c for _, c in llenas)


def componer(rj, letras, repetir=True, desfase=0, color=None, limites=None) -> str:
    f0, f1, izq = limites or caja(rj)
    k, lineas = desfase, []
    for f in range(f0, f1 + 1):
        celdas = []
        for c in range(izq, rj.shape[1]):
            if rj[f, c]:
                letra = letras[k % len(letras)] if repetir else (letras[k] if k < len(letras) else " ")
                celdas.append((letra, None if color is None else tuple(int(v) for v in color[f, c])))
                k += 1
            else:
                celdas.append((" ", None))
        while celdas and celdas[-1][0].isspace():
            celdas.pop()
        partes, ultimo = [], None
        for letra, rgb in celdas:
            if rgb is not None and not letra.isspace() and rgb != ultimo:
                partes.append("\x1b[38;2;{};{};{}m".format(*rgb))
                ultimo = rgb
            partes.append(letra)
        lineas.append("".join(partes) + ("\x1b[0m" if ultimo is not None else ""))
    return "\n".join(lineas)
