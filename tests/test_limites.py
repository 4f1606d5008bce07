"""Límites: rejillas imposibles, imágenes que declaran demasiado y mensajes enormes (las bombas, en test_carga.py)."""

import os
import struct
import subprocess
import sys
import time

import numpy as np
import pytest

import glifador
from pinturas import GATO, SIN_SILUETA, anillo, codificar, fallo, figura_alfa

PNG = figura_alfa(anillo(40))


class Mentira:
    """Una secuencia que declara 4 GB y no tiene nada: no se reserva su longitud antes de leerla."""

    def __len__(self):
        return 4 * 10**9

    def __getitem__(self, i):
        raise IndexError(i)


def bmp_sin_pixeles(ancho, alto):
    bmp = bytearray(codificar(np.zeros((2, 2, 3), np.uint8), "BMP"))
    bmp[18:26] = struct.pack("<ii", ancho, alto)
    return bytes(bmp)


@pytest.mark.parametrize("funcion, args, kwargs, tipo, mensaje", [
    ("dibujar", (PNG, "hola"), {"ancho": 10**12}, MemoryError, ""),
    ("dibujar", (PNG, "hola"), {"ancho": 2**64 - 1}, MemoryError, ""),
    ("dibujar", (PNG, "hola"), {"aspecto": 1e-45}, MemoryError, ""),
    ("analizar", (PNG,), {"ancho": 10**12}, MemoryError, ""),
    ("analizar", (PNG,), {"ancho": 2**64 - 1}, MemoryError, ""),
    ("analizar", (PNG,), {"aspecto": 1e-45}, MemoryError, ""),
    ("animar", (PNG, "hola"), {"fotogramas": 2**63}, MemoryError, ""),
    # Con ancho="auto" la capacidad se mide a 1000 columnas sin construir las 2**64 filas pedidas, que
    # miran la primera fila de píxeles: fondo.
    ("dibujar", (PNG, "hola"), {"ancho": "auto", "aspecto": 1e-45}, ValueError, SIN_SILUETA),
    ("dibujar", (PNG, "hola"), {"ancho": "auto", "aspecto": 1e-30, "color": True}, ValueError, SIN_SILUETA),
    ("analizar", (PNG, "hola"), {"ancho": "auto", "aspecto": 1e-45}, ValueError, SIN_SILUETA),
    # Sin píxeles no hay nada que reservar aunque el otro lado declare miles de millones.
    *[(f, (bmp_sin_pixeles(*lados), "hola"), {}, ValueError, SIN_SILUETA)
      for f in ("dibujar", "analizar") for lados in [(2**31 - 1, 0), (0, 2**31 - 1), (0, -(2**31))]],
    ("dibujar", (Mentira(), "hola"), {}, TypeError, None),
])
def test_falla_enseguida(funcion, args, kwargs, tipo, mensaje):
    inicio = time.perf_counter()
    texto = fallo(funcion, *args, tipo=tipo, **kwargs)
    assert time.perf_counter() - inicio < 1 and mensaje in (None, texto)
    assert glifador.dibujar(PNG, "hola")  # el intérprete sigue sano


def test_imagen_muy_delgada_con_ancho_auto():
    # 1 × 20000 píxeles, todo figura: a 1000 columnas serían diez millones de filas que no se construyen;
    # a 1 columna, 10000 filas de una letra, y las 5000 del mensaje caben.
    png, texto = codificar(np.full((20000, 1, 4), 200, np.uint8)), "hola " * 1000
    inicio = time.perf_counter()
    lineas = glifador.dibujar(png, texto, ancho="auto").split("\n")
    assert time.perf_counter() - inicio < 1
    assert len(lineas) == 10000 and "".join(lineas) == (texto * 2)[:10000].replace(" ", "")


def test_100_mb_en_tiempo_lineal():
    frase = "El pingüino y el ñandú comen piñones junto al río. "
    tiempos = {}
    for megas in (25, 100):
        texto = (frase * (megas * 2**20 // len(frase.encode()) + 1))[: megas * 2**20]
        inicio = time.perf_counter()
        figura = glifador.dibujar(PNG, texto, ancho=60)
        tiempos[megas] = time.perf_counter() - inicio
        # Solo cuentan las primeras letras: las mismas que con el principio del mensaje.
        assert figura == glifador.dibujar(PNG, texto[:20000], ancho=60, repetir=False)
    assert tiempos[100] / tiempos[25] < 8, tiempos  # lineal: unas 4 veces; cuadrático daría 16


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""), reason="ASan cambia las cuentas de memoria")
def test_100_mb_sin_disparar_la_memoria():
    # En un proceso aparte, para que el pico sea el de esta llamada y no el de otras pruebas.
    codigo = (
        "import resource, sys, glifador\n"
        "png, texto = open(sys.argv[1], 'rb').read(), 'ñandú ' * (100 * 2**20 // 7)\n"
        "antes = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss\n"
        "glifador.dibujar(png, texto)\n"
        "print((resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - antes) * 1024 / len(texto.encode()))\n"
    )
    r = subprocess.run([sys.executable, "-c", codigo, GATO], capture_output=True, text=True, timeout=120, check=True)
    assert float(r.stdout) < 10  # copia del texto, texto normalizado y un corte de 4 bytes por letra: unas 7
