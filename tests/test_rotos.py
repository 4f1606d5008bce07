"""Entradas que rompieron el núcleo en el fuzzing (tests/datos/rotos/): por Python dan un
resultado o un error limpio, enseguida y sin hacer caer el intérprete.

Cada archivo es la entrada tal como la guardó su objetivo de fuzz/ (el prefijo del nombre lo
dice), con las opciones en sus 8 últimos bytes; aquí se leen igual que en el objetivo.
"""

import time
from pathlib import Path

import numpy as np
import pytest

import glifador
from pinturas import codificar

ROTOS = Path(__file__).resolve().parent / "datos" / "rotos"
ESPACIOS = ("normal", "sin", "todos")
# fuzz_imagen: vía 0 = los bytes (firma); 1..5 = una ruta con la extensión de ese decodificador.
EXTENSIONES = ("png", "jpg", "gif", "webp", "bmp")
MENSAJE = "ñandú y pingüino 🐧 al sol de la tarde"
SOLO_DIBUJAR = ("repetir", "desfase", "color")


def archivos(objetivo):
    return [pytest.param(p, id=p.name) for p in sorted(ROTOS.glob(objetivo + "-*"))]


def partir(datos):
    return (datos[:-8], datos[-8:]) if len(datos) >= 8 else (datos, bytes(8))


def opciones_imagen(c):
    return {
        "ancho": "auto" if c[1] == 0 else c[1],
        "aspecto": 0.0 if c[2] == 255 else 0.25 + (c[2] % 64) * 0.125,
        "umbral": None if c[3] == 0 else c[3] - 1,
        "suavizar": c[4],
        "invertir": bool(c[5] & 1),
        "huecos": bool(c[5] & 2),
        "color": bool(c[5] & 4),
        "repetir": not c[5] & 8,
        "espacios": ESPACIOS[(c[5] >> 4) % 3],
        "desfase": c[6] | c[7] << 8,
    }


def opciones_texto(c):
    bajo = c[4] | c[5] << 8 | c[6] << 16 | (c[7] & 0x7F) << 24
    return {
        "invertir": bool(c[0] & 1),
        "huecos": bool(c[0] & 2),
        "color": bool(c[0] & 4),
        "repetir": not c[0] & 8,
        "espacios": ESPACIOS[(c[0] >> 4) % 3],
        "ancho": "auto" if c[1] % 64 == 0 else c[1] % 64,
        "aspecto": 0.25 + (c[2] % 64) * 0.125,
        "desfase": 2**64 - 1 - bajo if c[7] & 0x80 else bajo,
    }


def caso_texto(cuerpo):
    """La imagen (figura opaca donde el bit vale 1) y el mensaje de una entrada de fuzz_texto."""
    byte = lambda i: cuerpo[i] if i < len(cuerpo) else 0
    ancho, alto = 1 + byte(0) % 32, 1 + byte(1) % 32
    i = np.arange(ancho * alto)
    x, y = i % ancho, i // ancho
    bits = np.array([byte(2 + k // 8) >> (k % 8) & 1 for k in i])
    rgba = np.stack([x * 37, y * 91, (x ^ y) * 13, bits * 255], axis=1) % 256
    inicio = min(len(cuerpo), 2 + (ancho * alto + 7) // 8)
    return codificar(rgba.reshape(alto, ancho, 4)), cuerpo[inicio:].decode("utf-8", "replace")


def sin_romperse(imagen, mensaje, opciones):
    inicio = time.perf_counter()
    analisis = {k: v for k, v in opciones.items() if k not in SOLO_DIBUJAR}
    for llamada in (
        lambda: glifador.dibujar(imagen, mensaje, **opciones),
        lambda: glifador.analizar(imagen, mensaje, **analisis),
    ):
        try:
            assert isinstance(llamada(), (str, dict))
        except (ValueError, OSError):
            pass
    assert time.perf_counter() - inicio < 2


@pytest.mark.parametrize("archivo", archivos("imagen"))
def test_imagen(archivo, tmp_path):
    cuerpo, cola = partir(archivo.read_bytes())
    imagen = cuerpo
    if cola[0] % 6:
        imagen = tmp_path / ("imagen." + EXTENSIONES[cola[0] % 6 - 1])
        imagen.write_bytes(cuerpo)
    sin_romperse(imagen, MENSAJE, opciones_imagen(cola))


@pytest.mark.parametrize("archivo", archivos("texto"))
def test_texto(archivo):
    cuerpo, cola = partir(archivo.read_bytes())
    sin_romperse(*caso_texto(cuerpo), opciones_texto(cola))
