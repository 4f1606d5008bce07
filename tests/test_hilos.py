"""Varios hilos de Python llamando a la vez dan lo mismo que uno solo: el módulo no guarda estado."""

import random
import sys
from concurrent.futures import ThreadPoolExecutor

import pytest

import glifador
from test_fugas import CASOS


def resultado(caso):
    """El valor devuelto, o la clase y el texto de la excepción."""
    funcion, args, kwargs, _ = caso
    try:
        return getattr(glifador, funcion)(*args, **kwargs)
    except Exception as e:  # noqa: BLE001 - la excepción es parte del resultado
        return type(e), str(e)


@pytest.mark.parametrize("funcion", sorted({c[0] for c in CASOS}))
def test_mismos_resultados_que_un_hilo(funcion, request):
    request.addfinalizer(lambda anterior=sys.getswitchinterval(): sys.setswitchinterval(anterior))
    sys.setswitchinterval(1e-6)  # que el intérprete cambie de hilo tan a menudo como pueda
    # Los de cada función, mezclados con los de las demás para que cada hilo alterne entre todas.
    cola = [c for c in CASOS if c[0] == funcion] * 12 + [c for c in CASOS if c[0] != funcion] * 2
    random.Random(len(cola)).shuffle(cola)
    esperado = {id(c): resultado(c) for c in CASOS}
    with ThreadPoolExecutor(max_workers=8) as hilos:
        for caso, obtenido in zip(cola, hilos.map(resultado, cola)):
            assert obtenido == esperado[id(caso)], caso[:2]
