"""Varios hilos de Python llamando a la vez dan lo mismo que uno solo: el módulo no guarda estado."""

import random
import sys
from concurrent.futures import ThreadPoolExecutor
from pathlib import Path

import pytest

import glifador
from pinturas import anillo, figura_alfa, figura_opaca

GATO = Path(__file__).resolve().parents[1] / "ejemplos" / "gato.png"
ANILLO = figura_alfa(anillo(60, 26, 10))


def _trabajos():
    opaca = figura_opaca(anillo(50, 22, 9), figura=(200, 40, 40), fondo=(250, 250, 240))
    return [
        ("dibujar", (GATO, "El gato duerme al sol de la tarde"), {"ancho": "auto", "color": True}),
        ("dibujar", (ANILLO, "ñandú 🐧 " * 30), {"ancho": 50, "huecos": True, "desfase": 7}),
        ("dibujar", (opaca, "hola mundo"), {"ancho": 40, "suavizar": 2, "invertir": True}),
        ("dibujar", (ANILLO, "   "), {}),
        ("dibujar", (b"no es una imagen", "hola"), {}),
        ("analizar", (GATO, "El gato duerme al sol"), {"ancho": 30}),
        ("analizar", (opaca,), {"umbral": 40}),
        ("analizar", (ANILLO, "x" * 10**6), {"ancho": "auto"}),
        ("animar", (ANILLO, "hola mundo"), {"fotogramas": 6, "latido": 0.4, "ancho": 30, "color": True}),
        ("animar", (GATO, "miau"), {"paso": 3, "ancho": 24}),
        ("a_svg", (["ab\ncd", "\x1b[38;2;255;0;0mef\x1b[0m\ngh"],), {"fondo": "#102030"}),
        ("a_svg", ("una sola línea",), {"tamano": 0.0}),
    ]


TRABAJOS = _trabajos()


def resultado(trabajo):
    """El valor devuelto, o la clase y el texto de la excepción."""
    funcion, args, kwargs = trabajo
    try:
        return getattr(glifador, funcion)(*args, **kwargs)
    except Exception as e:  # noqa: BLE001 - la excepción es parte del resultado
        return type(e), str(e)


@pytest.fixture
def cambios_frecuentes():
    # Que el intérprete cambie de hilo tan a menudo como pueda entre llamada y llamada.
    anterior = sys.getswitchinterval()
    sys.setswitchinterval(1e-6)
    yield
    sys.setswitchinterval(anterior)


@pytest.mark.parametrize("funcion", sorted({t[0] for t in TRABAJOS}))
def test_mismos_resultados_que_un_hilo(funcion, cambios_frecuentes):
    if not hasattr(glifador, funcion):
        pytest.skip(f"glifador.{funcion} aún no existe")
    propios = [t for t in TRABAJOS if t[0] == funcion]
    # Mezclados con los de las demás funciones, para que cada hilo alterne entre todas.
    otros = [t for t in TRABAJOS if t[0] != funcion and hasattr(glifador, t[0])]
    esperado = {id(t): resultado(t) for t in propios + otros}
    cola = propios * 12 + otros * 2
    random.Random(len(cola)).shuffle(cola)
    with ThreadPoolExecutor(max_workers=8) as hilos:
        obtenidos = list(hilos.map(resultado, cola))
    for trabajo, obtenido in zip(cola, obtenidos):
        assert obtenido == esperado[id(trabajo)], trabajo[:2]
