"""Miles de llamadas seguidas, con éxito y con cada clase de error: ni la memoria del proceso
ni las referencias a los argumentos crecen.

Cada función del módulo es una línea de CASOS por caso; las que aún no existen se saltan.
"""

import gc
import os
import sys
import tracemalloc
from pathlib import Path

import numpy as np
import pytest

import glifador
from pinturas import anillo, codificar, figura_alfa

PNG = figura_alfa(anillo(100, 45, 20))
PEQUENA = figura_alfa(anillo(8, 4, 2))
VACIA = codificar(np.zeros((8, 8, 4), np.uint8))
GATO = Path(__file__).resolve().parents[1] / "ejemplos" / "gato.png"
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


# (función, argumentos, argumentos con nombre, excepción esperada o None)
CASOS = [
    ("dibujar", (PNG, "hola mundo"), {"ancho": 120}, None),
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
    ("analizar", (GATO, "El gato duerme al sol"), {"ancho": "auto"}, None),
    ("analizar", (PNG, "hola " * 4000), {"aspecto": 50.0}, None),  # no cabe ni a 1000 columnas
    ("analizar", (PNG,), {"ancho": "auto"}, ValueError),
    ("analizar", (None,), {}, TypeError),
    ("analizar", (PNG,), {"suavizar": -1}, OverflowError),
    ("analizar", (b"GIF89a", "hola"), {}, ValueError),
    ("analizar", (FALTA,), {}, OSError),
    ("analizar", (PNG, "hola " * 400), {"ancho": "auto", "aspecto": 1000.0}, ValueError),  # NoCabe
    ("analizar", (VACIA,), {}, ValueError),
    ("analizar", (PNG,), {"ancho": 10**12}, MemoryError),
    ("animar", (PNG, "hola mundo"), {"fotogramas": 4, "latido": 0.3, "color": True}, None),
    ("animar", (PNG, "hola"), {"paso": -1}, OverflowError),
    ("animar", (PNG, "  "), {}, ValueError),
    ("a_svg", (FOTOS,), {"fondo": "#123"}, None),
    ("a_svg", (FOTOS[0],), {}, None),
    ("a_svg", (3,), {}, TypeError),
    ("a_svg", (FOTOS,), {"tamano": 0.0}, ValueError),
]
FUNCIONES = sorted({c[0] for c in CASOS})
PAGINA = os.sysconf("SC_PAGE_SIZE")


def casos(funcion):
    if not hasattr(glifador, funcion):
        pytest.skip(f"glifador.{funcion} aún no existe")
    return [c for c in CASOS if c[0] == funcion]


def ronda(lista):
    for funcion, args, kwargs, esperada in lista:
        if esperada is None:
            getattr(glifador, funcion)(*args, **kwargs)
        else:
            with pytest.raises(esperada):
                getattr(glifador, funcion)(*args, **kwargs)


def residente():
    gc.collect()
    with open("/proc/self/statm") as f:
        return int(f.read().split()[1]) * PAGINA


def menor_crecimiento(lista, medir, rondas, ventanas=3):
    """El menor crecimiento de `medir` entre varias tandas seguidas de rondas. Una fuga crece en
    todas; lo que el intérprete reserva una sola vez (una tabla que se agranda) solo en una."""
    crecimientos = []
    for _ in range(ventanas):
        antes = medir()
        for _ in range(rondas):
            ronda(lista)
        crecimientos.append(medir() - antes)
    return min(crecimientos)


@pytest.mark.skipif("libasan" in os.environ.get("LD_PRELOAD", ""), reason="ASan retiene lo liberado en cuarentena")
@pytest.mark.parametrize("funcion", FUNCIONES)
def test_memoria_del_proceso_plana(funcion):
    # Las entradas son grandes a propósito (imagen de 100 × 100, salida de 120 columnas):
    # perder un búfer por llamada serían megas en cada tanda.
    lista = casos(funcion)
    for _ in range(50):
        ronda(lista)
    assert menor_crecimiento(lista, residente, 200) < 2**20


@pytest.mark.parametrize("funcion", FUNCIONES)
def test_objetos_de_python_no_se_acumulan(funcion):
    # tracemalloc ve cada objeto de Python, también los que crea el módulo: un mensaje de
    # error o un str de resultado sin soltar se notarían aunque sean pequeños.
    lista = casos(funcion)
    ronda(lista)
    tracemalloc.start()
    try:
        for _ in range(10):
            ronda(lista)

        def trazada():
            gc.collect()
            return tracemalloc.get_traced_memory()[0]

        assert menor_crecimiento(lista, trazada, 80) < 8 * 1024
    finally:
        tracemalloc.stop()


@pytest.mark.parametrize("funcion", FUNCIONES)
def test_referencias_de_los_argumentos(funcion):
    lista = casos(funcion)
    # Los números pequeños y los booleanos los comparte todo el intérprete: su cuenta varía sola.
    objetos = [o for _, args, kwargs, _ in lista for o in (*args, *kwargs.values()) if not isinstance(o, (int, float))]
    ronda(lista)
    antes = [sys.getrefcount(o) for o in objetos]
    for _ in range(100):
        ronda(lista)
    assert [sys.getrefcount(o) for o in objetos] == antes


@pytest.mark.parametrize("funcion", FUNCIONES)
def test_el_resultado_es_del_que_llama(funcion):
    for _, args, kwargs, esperada in casos(funcion):
        if esperada is None:
            # Una referencia en la variable y otra en el argumento de getrefcount.
            assert sys.getrefcount(getattr(glifador, funcion)(*args, **kwargs)) == 2
