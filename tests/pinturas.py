"""Pinturas de prueba (de una matriz numpy a los bytes de un archivo de imagen) y ayudas comunes."""

import io
from pathlib import Path

import numpy as np
import pytest
from PIL import Image

import glifador

EJEMPLOS = Path(__file__).resolve().parents[1] / "ejemplos"
GATO, CORAZON = EJEMPLOS / "gato.png", EJEMPLOS / "corazon.png"
LEER = "no se pudo leer la imagen: "
SIN_SILUETA = "no se encontró ninguna silueta en la imagen"
ANCHO_TEXTO = 'opción inválida: ancho debe ser un entero o "auto"'
ESPACIOS_TEXTO = 'opción inválida: espacios debe ser "normal", "sin" o "todos"'


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


def llena(ancho: int = 12, alto: int = 2) -> bytes:
    """Todo figura: a `ancho` columnas y aspecto 2, alto/2 filas de `ancho` celdas."""
    return figura_de_colores(np.zeros((alto, ancho, 3)))


def celdas(dibujo: str, rgb=(0, 0, 0)) -> bytes:
    """Figura por celdas ('#'): a tantas columnas como la línea más larga y aspecto 2, una celda por carácter."""
    lineas = dibujo.split("\n")
    m = np.repeat([[c == "#" for c in linea.ljust(max(map(len, lineas)))] for linea in lineas], 2, axis=0)
    return figura_de_colores(np.full(m.shape + (3,), rgb), m)


def fallo(funcion, *args, tipo=ValueError, **kwargs) -> str:
    """El mensaje de la excepción `tipo` que lanza glifador.funcion(*args, **kwargs)."""
    with pytest.raises(tipo) as e:
        getattr(glifador, funcion)(*args, **kwargs)
    assert e.value.args in ((), (str(e.value),))
    return str(e.value)
