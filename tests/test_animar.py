"""animar(): número de fotogramas, avance del texto y latido (los errores, en test_modulo.py)."""

import re

import numpy as np
import pytest

import glifador
import referencia
from pinturas import anillo, codificar, figura_alfa, llena

ANILLO = figura_alfa(anillo(40, 16, 8))


@pytest.mark.parametrize("texto, opciones, n", [
    ("abcdefghij", {}, 11),  # el separador cuenta: L = 11
    ("abcdefghijk", {"paso": 2}, 6),
    ("abcdefghijk", {"paso": 12}, 1),
    ("abcdefghijk", {"paso": 24}, 1),
    ("abcdefghijk", {"paso": 8}, 3),
    ("a" * 999, {}, 240),  # L = 1000: el tope gana
    ("abcdefghij", {"paso": 0}, 1),
    ("abcdefghij", {"paso": 0, "latido": 0.2}, 24),
    ("abcdefghij", {"fotogramas": 300}, 300),  # un número dado no tiene tope
    ("abcdefghij", {"repetir": False}, 10),
    ("ab cd", {"espacios": "sin"}, 4),
])
def test_numero_de_fotogramas(texto, opciones, n):
    assert len(glifador.animar(llena(), texto, ancho=12, **opciones)) == n


@pytest.mark.parametrize("paso, desfase, fotogramas, color", [
    (1, 0, None, False), (3, 2, None, True), (0, 7, 4, False), (1, 2**64 - 1, 3, False), (2**63, 5, 3, False),
])
def test_sin_latido_cada_fotograma_es_un_dibujo(paso, desfase, fotogramas, color):
    fotos = glifador.animar(ANILLO, "hola mundo", fotogramas=fotogramas, paso=paso, desfase=desfase, ancho=20,
                            color=color)
    for i, foto in enumerate(fotos):  # con desfase + i·paso, módulo 2^64
        assert foto == glifador.dibujar(ANILLO, "hola mundo", desfase=(desfase + i * paso) % 2**64, ancho=20,
                                        color=color)


@pytest.mark.parametrize("mascara, fotogramas, paso, latido", [
    (anillo(40, 16, 8), 10, 1, 0.5),
    (anillo(37, 15, 5), None, 0, 0.2),
    (np.pad(anillo(24, 11, 4), ((3, 10), (14, 1))), 12, 2, 0.9),  # descentrada, impar
])
def test_latido_igual_a_la_referencia(mascara, fotogramas, paso, latido):
    fotos = glifador.animar(figura_alfa(mascara), "abc", fotogramas=fotogramas, paso=paso, latido=latido,
                            ancho=20, huecos=True)
    n = len(fotos)
    rejillas = [referencia.rejilla(referencia.encoger(mascara, referencia.escala(i, n, latido)), 20) for i in range(n)]
    caja = referencia.caja(*rejillas)  # común a todos los fotogramas
    assert fotos == [referencia.componer(rj, "abc ", desfase=i * paso, limites=caja) for i, rj in enumerate(rejillas)]


def test_los_colores_se_mueven_con_la_figura():
    # Borde azul, centro rojo: la letra más exterior de la figura encogida sigue siendo azul.
    arr = np.zeros((60, 60, 4), np.uint8)
    arr[anillo(60, 26, 0)] = (0, 0, 255, 255)
    arr[anillo(60, 20, 0)] = (255, 0, 0, 255)
    for foto in glifador.animar(codificar(arr), "x", fotogramas=10, paso=0, latido=0.6, color=True, ancho=30):
        lineas = foto.split("\n")
        rojo, _, azul = re.match(r"\x1b\[38;2;(\d+);(\d+);(\d+)m", lineas[len(lineas) // 2].lstrip()).groups()
        assert int(azul) > int(rojo)
