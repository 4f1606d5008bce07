"""Miles de llamadas seguidas, con éxito y con cada clase de error: ni la memoria del proceso
ni las referencias a los argumentos crecen (fugas_lsan.py repite CASOS con LeakSanitizer)."""

import gc
import os
import sys
import tracemalloc
from pathlib import Path

import numpy as np
import pytest

import glifador
from pinturas import GATO, anillo, codificar, figura_alfa, figura_opaca

PNG = figura_alfa(anillo(100, 45, 20))
PEQUENA = figura_alfa(anillo(8, 4, 2))
OPACA = figura_opaca(anillo(50, 22, 9), figura=(200, 40, 40), fondo=(250, 250, 240))
VACIA = codificar(np.zeros((8, 8, 4), np.uint8))
FALTA = Path(__file__).resolve().parent / "no_existe.png"
FOTOS = ["ab\ncd", "\x1b[38;2;255;0;0mef\x1b[0m\ngh"]


class Rota:
    """Una secuencia que falla a mitad de la conversión de la imagen."""
    def __len__(self):
        return 3

    def __getitem__(self, i):
        if i == 1:
            raise RuntimeError("rota")
        return 1


# (función, argumentos, argumentos con nombre, excepción esperada o None); también para test_hilos.py
CASOS = [
    ("dibujar", (PNG, "hola mundo"), {"ancho": 120}, None),
    ("dibujar", (OPACA, "hola mundo"), {"ancho": 40, "suavizar": 2, "invertir": True, "huecos": True}, None),
    ("dibujar", (GATO, "El gato duerme al sol"), {"color": True, "ancho": "auto"}, None),
    ("dibujar", (list(PEQUENA), "ñandú 🐧"), {"espacios": "todos"}, None),
    ("dibujar", (bytearray(PNG), "hola"), {"repetir": False, "desfase": 2**64 - 1}, None),
    ("dibujar", (3, "hola"), {}, TypeError),
    ("dibujar", (Rota(), "hola"), {}, TypeError),
    ("dibujar", (PNG, b"hola"), {}, TypeError),
    ("dibujar", (PNG, "hola"), {"ancho": -1}, TypeError),
    ("dibujar", (PNG, "hola"), {"umbral": 256}, OverflowError),
    ("dibujar", (PNG, "hola"), {"ancho": "ancho"}, ValueError),
    ("dibujar", (PNG, "hola"), {"espacios": "otro"}, ValueError),
    ("dibujar", (PNG, "hola"), {"aspecto": 0.0}, ValueError),
    ("dibujar", (b"no es una imagen", "hola"), {}, ValueError),
    ("dibujar", (PNG[: len(PNG) // 2], "hola"), {}, ValueError),
    ("dibujar", (FALTA, "hola"), {}, OSError),
    ("dibujar", (PNG, "hola " * 400), {"ancho": "auto", "aspecto": 1000.0}, ValueError),  # NoCabe
    ("dibujar", (PNG, " \n\t "), {}, ValueError),  # TextoVacio
    ("dibujar", (VACIA, "hola"), {}, ValueError),  # SinSilueta
    ("dibujar", (PNG, "hola"), {"ancho": 10**12}, MemoryError),
    ("analizar", (PNG,), {"ancho": 120}, None),
    ("analizar", (OPACA,), {"umbral": 40}, None),
    ("analizar", (GATO, "El gato duerme al sol"), {"ancho": "auto"}, None),
    ("analizar", (PNG, "hola " * 4000), {"aspecto": 50.0}, None),  # no cabe ni a 1000 columnas
    ("analizar", (PNG,), {"ancho": "auto"}, ValueError),
    ("analizar", (PNG, "hola " * 400), {"ancho": "auto", "aspecto": 1000.0}, ValueError),  # NoCabe
    ("analizar", (VACIA,), {}, ValueError),
    ("analizar", (PNG,), {"ancho": 10**12}, MemoryError),
    ("animar", (PNG, "hola mundo"), {"fotogramas": 4, "latido": 0.3, "color": True}, None),
    ("animar", (GATO, "miau"), {"paso": 3, "ancho": 24}, None),
    ("animar", (PNG, "hola"), {"paso": -1}, OverflowError),
    ("animar", (PNG, "  "), {}, ValueError),
    ("a_svg", (FOTOS,), {"fondo": "#123"}, None),
    ("a_svg", (FOTOS[0],), {}, None),
    ("a_svg", (3,), {}, TypeError),
    ("a_svg", (FOTOS,), {"tamano": 0.0}, ValueError),
]
FUNCIONES = sorted({c[0] for c in CASOS})


def ronda(funcion):
    for _, args, kwargs, esperada in (c for c in CASOS if c[0] == funcion):
        if esperada is None:
            getattr(glifador, funcion)(*args, **kwargs)
        else:
            with pytest.raises(esperada):
                getattr(glifador, funcion)(*args, **kwargs)


def menor_crecimiento(funcion, medir, rondas, tandas=3):
    """El menor crecimiento de `medir` entre varias tandas seguidas de rondas. Una fuga crece en
    todas; lo que el intérprete reserva una sola vez (una tabla que se agranda) solo en una."""
    crecimientos = []
    for _ in range(tandas):
        antes = medir()
        for _ in range(rondas):
            ronda(funcion)
        crecimientos.append(medir() - antes)
    return min(crecimientos)


def residente():
    gc.collect()
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def trazada():
    gc.collect()
    return tracemalloc.get_traced_memory()[0]


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""), reason="ASan retiene lo liberado en cuarentena")
@pytest.mark.parametrize("funcion", FUNCIONES)
def test_memoria_del_proceso_plana(funcion):
    # Entradas grandes a propósito (100 × 100 píxeles, 120 columnas): perder un búfer serían megas.
    for _ in range(50):
        ronda(funcion)
    assert menor_crecimiento(funcion, residente, 200) < 2**20


@pytest.mark.parametrize("funcion", FUNCIONES)
def test_objetos_de_python_no_se_acumulan(funcion):
    # tracemalloc ve también un mensaje de error o un resultado sin soltar, aunque sean pequeños.
    ronda(funcion)
    tracemalloc.start()
    try:
        for _ in range(10):
            ronda(funcion)
        assert menor_crecimiento(funcion, trazada, 80) < 8 * 1024
    finally:
        tracemalloc.stop()


@pytest.mark.parametrize("funcion", FUNCIONES)
def test_referencias(funcion):
    # Los números pequeños y los booleanos los comparte todo el intérprete: su cuenta varía sola.
    objetos = [o for f, args, kwargs, _ in CASOS if f == funcion for o in (*args, *kwargs.values())
               if not isinstance(o, (int, float))]
    ronda(funcion)
    antes = [sys.getrefcount(o) for o in objetos]
    for _ in range(100):
        ronda(funcion)
    assert [sys.getrefcount(o) for o in objetos] == antes
    for f, args, kwargs, esperada in CASOS:
        if f == funcion and esperada is None:  # el resultado es del que llama: la variable y el argumento
            assert sys.getrefcount(getattr(glifador, funcion)(*args, **kwargs)) == 2
