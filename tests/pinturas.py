"""Pinturas de prueba: de una matriz numpy a los bytes de un archivo de imagen."""

import io

import numpy as np
from PIL import Image


def codificar(arr: np.ndarray, formato: str = "PNG", **opciones) -> bytes:
    """Codifica una matriz (alto, ancho[, canales]) de uint8."""
    buf = io.BytesIO()
    Image.fromarray(np.ascontiguousarray(arr, dtype=np.uint8)).save(buf, format=formato, **opciones)
    return buf.getvalue()


def figura_alfa(mascara: np.ndarray, alfa_fondo: int = 0) -> bytes:
    """PNG RGBA: figura negra opaca donde la máscara es verdadera, fondo con `alfa_fondo`."""
    m = np.asarray(mascara, dtype=bool)
    arr = np.zeros(m.shape + (4,), np.uint8)
    arr[..., 3] = np.where(m, 255, alfa_fondo)
    return codificar(arr)


def figura_opaca(mascara: np.ndarray, figura=(0, 0, 0), fondo=(255, 255, 255)) -> bytes:
    """PNG RGB opaco con la figura de un color sobre un fondo liso."""
    m = np.asarray(mascara, dtype=bool)
    arr = np.empty(m.shape + (3,), np.uint8)
    arr[:] = fondo
    arr[m] = figura
    return codificar(arr)


def anillo(lado: int = 40, exterior: float = 16, interior: float = 8) -> np.ndarray:
    y, x = np.mgrid[:lado, :lado] + 0.5
    r = np.hypot(x - lado / 2, y - lado / 2)
    return (r <= exterior) & (r >= interior)


def figura_de_colores(rgb, mascara=None) -> bytes:
    """PNG RGBA con los colores dados; figura (alfa 200, que ya elige la transparencia)
    donde la máscara es verdadera o en toda la imagen si no hay máscara."""
    rgb = np.asarray(rgb, np.uint8)
    m = np.ones(rgb.shape[:2], bool) if mascara is None else np.asarray(mascara, bool)
    return codificar(np.dstack([rgb, np.where(m, 200, 0).astype(np.uint8)]))
