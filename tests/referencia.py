"""Referencia lenta en numpy de la silueta, la rejilla, los colores y el compositor, para comparar."""

import ctypes
import ctypes.util
import math

import numpy as np

F = np.float32


def _trunc(v):
    return int(v) if v > 0 else 0


def _tramo(paso, i, total):
    a = min(total - 1, _trunc(F(paso) * F(i)))
    b = min(max(_trunc(F(paso) * F(i + 1)), a + 1), total)
    return a, b


def _redondear(v):
    v = F(v)
    r = np.floor(v)
    return int(r + (v - r >= F(0.5)))


def mascara(rgba: np.ndarray, umbral=None) -> np.ndarray:
    """Figura sin suavizado ni relleno de huecos."""
    alfa = rgba[..., 3]
    if (alfa < 250).any():
        return alfa >= 128
    h, w = alfa.shape
    rgb = rgba[..., :3].astype(np.int64)
    borde = np.concatenate([
        np.stack([rgb[0], rgb[h - 1]], 1).reshape(-1, 3),
        np.stack([rgb[:, 0], rgb[:, w - 1]], 1).reshape(-1, 3),
    ])
    fondo = np.sort(borde, axis=0)[len(borde) // 2]
    ss = ((rgb - fondo) ** 2).sum(-1).astype(F)
    v = np.sqrt(ss) * F(255.0) / F(441.7)
    r = np.floor(v)
    d = np.minimum(r + (v - r >= F(0.5)), 255).astype(np.int64)
    if umbral is None:
        hist = np.bincount(d.ravel(), minlength=256).astype(np.float64)
        n = float(d.size)
        total = float((np.arange(256) * hist).sum())
        wb = sumb = 0.0
        mejor, t_otsu = -1.0, 0
        for t in range(256):
            wb += hist[t]
            if wb == 0:
                continue
            wf = n - wb
            if wf == 0:
                break
            sumb += t * hist[t]
            mb, mf = sumb / wb, (total - sumb) / wf
            entre = (wb * wf) * (mb - mf) ** 2
            if entre > mejor:
                mejor, t_otsu = entre, t
        db = np.concatenate([np.stack([d[0], d[h - 1]], 1).ravel(), np.stack([d[:, 0], d[:, w - 1]], 1).ravel()])
        p99 = np.sort(db)[len(db) * 99 // 100]
        umbral = min(t_otsu, p99 + 10)
    return d > umbral


def _geometria(h, w, columnas, aspecto):
    cw = F(w) / F(columnas)
    ch = F(aspecto) * cw
    return cw, ch, max(1, _redondear(F(h) / ch))


def rejilla(m: np.ndarray, columnas: int, aspecto: float = 2.0) -> np.ndarray:
    h, w = m.shape
    cw, ch, filas = _geometria(h, w, columnas, aspecto)
    out = np.zeros((filas, columnas), bool)
    xs = [_tramo(cw, c, w) for c in range(columnas)]
    for r in range(filas):
        y0, y1 = _tramo(ch, r, h)
        for c, (x0, x1) in enumerate(xs):
            bloque = m[y0:y1, x0:x1]
            out[r, c] = bloque.size <= 2 * int(bloque.sum())
    return out


# powf de la biblioteca de C, la misma que usa el módulo: la potencia de numpy puede
# venir de otra implementación y diferir en la última cifra.
_libm = ctypes.CDLL(ctypes.util.find_library("m"))
_libm.powf.restype = ctypes.c_float
_libm.powf.argtypes = [ctypes.c_float, ctypes.c_float]
_LINEAL = np.array([_libm.powf(F(v) / F(255), F(2.2)) for v in range(256)], F)
_INVERSA = F(1) / F(2.2)


def colores(rgba: np.ndarray, m: np.ndarray, columnas: int, aspecto: float = 2.0) -> np.ndarray:
    """Media en luz lineal de los píxeles de figura de cada celda, sumando en orden de visita."""
    h, w = m.shape
    cw, ch, filas = _geometria(h, w, columnas, aspecto)
    out = np.zeros((filas, columnas, 3), np.uint8)
    xs = [_tramo(cw, c, w) for c in range(columnas)]
    for r in range(filas):
        y0, y1 = _tramo(ch, r, h)
        for c, (x0, x1) in enumerate(xs):
            px = rgba[y0:y1, x0:x1, :3][m[y0:y1, x0:x1]]  # fila a fila, de izquierda a derecha
            if len(px) == 0:
                continue
            # add.accumulate suma en secuencia, no por pares como sum()
            sumas = np.add.accumulate(_LINEAL[px], axis=0, dtype=F)[-1]
            for k in range(3):
                v = F(_libm.powf(sumas[k] / F(len(px)), _INVERSA)) * F(255)
                out[r, c, k] = min(255, math.floor(float(v) + 0.5))
    return out


def componer(rj: np.ndarray, letras: list, repetir: bool = True, desfase: int = 0, color=None) -> str:
    filas = [f for f in range(rj.shape[0]) if rj[f].any()]
    if not filas:
        raise ValueError("no se encontró ninguna silueta en la imagen")
    izq = min(int(np.argmax(rj[f])) for f in filas)
    k = desfase
    lineas = []
    for f in range(filas[0], filas[-1] + 1):
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
        lineas.append(_pintar(celdas))
    return "\n".join(lineas)


def _pintar(celdas) -> str:
    partes, ultimo = [], None
    for letra, rgb in celdas:
        if rgb is not None and not letra.isspace() and rgb != ultimo:
            partes.append("\x1b[38;2;{};{};{}m".format(*rgb))
            ultimo = rgb
        partes.append(letra)
    if ultimo is not None:
        partes.append("\x1b[0m")
    return "".join(partes)
