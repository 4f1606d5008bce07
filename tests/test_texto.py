"""Espacios y letras del mensaje, vistos en una fila de celdas de figura."""

import numpy as np
import pytest

import glifador
from pinturas import codificar


def fila(celdas: int) -> bytes:
    """Toda figura: a `celdas` columnas (aspecto 2) es una sola fila de `celdas` celdas."""
    arr = np.zeros((2, celdas * 2, 4), np.uint8)
    arr[..., 3] = 255
    arr[0, 0, 3] = 200
    return codificar(arr)


@pytest.mark.parametrize(
    "texto, espacios, repetir, celdas, esperado",
    [
        ("  hola\n\tmundo  ", "normal", False, 20, "hola mundo"),
        ("hola mundo\n", "sin", False, 20, "holamundo"),
        ("hola\r\nmundo\n\n", "todos", False, 20, "hola mundo"),
        ("a\t\tb", "todos", False, 10, "a  b"),
        ("  a ", "todos", True, 9, "  a   a"),
        ("hola  mundo", "normal", True, 12, "hola mundo h"),
        ("hola  mundo", "todos", True, 12, "hola  mundoh"),
        ("hola  mundo", "sin", True, 10, "holamundoh"),
        ("hola\n ", "todos", True, 8, "hola  ho"),
        ("hola\n", "todos", True, 6, "holaho"),
        ("a\r\nb", "normal", True, 5, "a b a"),
        ("a\r\nb", "sin", True, 5, "ababa"),
        ("a\r\nb", "todos", True, 5, "a ba"),
        ("a\u00a0\u3000b\u2028c", "normal", False, 9, "a b c"),
        ("a\x1cb", "sin", False, 9, "a\x1cb"),  # U+001C no es espacio en Unicode
        ("n\u0303o", "sin", True, 4, "n\u0303on\u0303o"),
        ("\U0001F44D\U0001F3FD!", "sin", True, 3, "\U0001F44D\U0001F3FD!\U0001F44D\U0001F3FD"),
        ("\u0915\u093f", "sin", True, 2, "\u0915\u093f" * 2),  # marca de espaciado
    ],
)
def test_letras(texto, espacios, repetir, celdas, esperado):
    assert glifador.dibujar(fila(celdas), texto, ancho=celdas, espacios=espacios, repetir=repetir) == esperado


@pytest.mark.parametrize("texto", ["", "   ", "\n\t", "\u3000\u00a0", "\r\n"])
@pytest.mark.parametrize("espacios", ["normal", "sin", "todos"])
def test_texto_vacio(texto, espacios):
    with pytest.raises(ValueError, match="^el texto está vacío$"):
        glifador.dibujar(fila(4), texto, espacios=espacios)


@pytest.mark.parametrize("espacios", ["todo", "", " normal", "normal ", "SİN"])
def test_espacios_invalidos(espacios):
    with pytest.raises(ValueError, match='^opción inválida: espacios debe ser "normal", "sin" o "todos"$'):
        glifador.dibujar(fila(4), "hola", espacios=espacios)


def test_mensaje_largo_es_lineal():
    mensaje = "ab cd " * 200_000
    assert glifador.dibujar(fila(8), mensaje, ancho=8, repetir=False) == "ab cd ab"
