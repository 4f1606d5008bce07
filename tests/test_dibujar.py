"""dibujar(): letras del mensaje, compositor, silueta, rejilla y ancho automático."""

import numpy as np
import pytest

import glifador
import referencia
from pinturas import ESPACIOS_TEXTO, SIN_SILUETA, anillo, celdas, codificar, fallo, figura_alfa, figura_opaca, llena


@pytest.mark.parametrize("n, texto, opciones, esperado", [
    (12, "hola", {}, "hola hola ho"),
    (12, "hola", {"desfase": 2}, "la hola hola"),
    (12, "hola", {"desfase": 7}, "la hola hola"),
    (12, "hola", {"espacios": "sin"}, "holaholahola"),
    (12, "hola", {"repetir": False}, "hola"),
    (12, "hola", {"repetir": np.False_, "desfase": 2}, "la"),
    (20, "  hola\n\tmundo  ", {"repetir": False}, "hola mundo"),
    (20, "hola mundo\n", {"espacios": "sin", "repetir": False}, "holamundo"),
    (20, "hola\r\nmundo\n\n", {"espacios": "todos", "repetir": False}, "hola mundo"),
    (10, "a\t\tb", {"espacios": "todos", "repetir": False}, "a  b"),
    (9, "  a ", {"espacios": "todos"}, "  a   a"),
    (12, "hola  mundo", {}, "hola mundo h"),
    (12, "hola  mundo", {"espacios": "todos"}, "hola  mundoh"),
    (10, "hola  mundo", {"espacios": "sin"}, "holamundoh"),
    (8, "hola\n ", {"espacios": "todos"}, "hola  ho"),
    (6, "hola\n", {"espacios": "todos"}, "holaho"),
    (9, "a\u00a0\u3000b\u2028c", {"repetir": False}, "a b c"),
    (9, "a\x1cb", {"espacios": "sin", "repetir": False}, "a\x1cb"),  # U+001C no es espacio en Unicode
    (4, "n\u0303o", {"espacios": "sin"}, "n\u0303on\u0303o"),
    (3, "\U0001F44D\U0001F3FD!", {"espacios": "sin"}, "\U0001F44D\U0001F3FD!\U0001F44D\U0001F3FD"),
    (2, "\u0915\u093f", {"espacios": "sin"}, "\u0915\u093f" * 2),  # marca de espaciado
    (2, "n\u0303\U0001F1EA\U0001F1F8", {}, "n\u0303\U0001F1EA\U0001F1F8"),
    (12, "hola", {"ancho": "auto"}, "hola"),  # la capacidad exacta no llega al separador
])
def test_letras_en_una_fila(n, texto, opciones, esperado):
    assert glifador.dibujar(llena(n), texto, **{"ancho": n, **opciones}) == esperado


@pytest.mark.parametrize("dibujo, texto, opciones, esperado", [
    ("####\n#\n####", "abcd", {}, "abcd\n\nabcd"),  # el separador cae solo en la fila del medio
    ("####\n\n####", "abcd", {}, "abcd\n\n abc"),
    ("    ####\n      ######", "abcdefghij", {}, "abcd\n  efghij"),  # recorte izquierdo común
    ("####\n" * 5 + "####", "ab", {"repetir": False}, "ab\n\n\n\n\n"),
])
def test_compositor(dibujo, texto, opciones, esperado):
    assert glifador.dibujar(celdas(dibujo), texto, ancho=len(dibujo.split("\n")[-1]), **opciones) == esperado


@pytest.mark.parametrize("texto", ["", "   ", "\n\t", "\u3000\u00a0", "\r\n"])
@pytest.mark.parametrize("espacios", ["normal", "sin", "todos"])
def test_texto_vacio(texto, espacios):
    assert fallo("dibujar", llena(4), texto, espacios=espacios) == "el texto está vacío"


@pytest.mark.parametrize("espacios", ["todo", "", " normal", "normal ", "SİN"])
def test_espacios_invalidos(espacios):
    assert fallo("dibujar", llena(4), "hola", espacios=espacios) == ESPACIOS_TEXTO


def test_ancho_mayor_que_mil():
    m = np.zeros((30, 30), bool)
    m[5:25, 5:25] = True
    lineas = glifador.dibujar(figura_alfa(m), "a", ancho=1500).split("\n")
    assert abs(max(map(len, lineas)) - 1000) <= 1


def sin_espacios(png, **k):
    return glifador.dibujar(png, "x", espacios="sin", **k).split("\n")


@pytest.mark.parametrize("alfa, fila", [(128, "x" * 10), (127, "x" * 5)])
def test_corte_de_alfa(alfa, fila):
    arr = np.full((10, 10, 4), 255, np.uint8)
    arr[:, :5, 3] = alfa
    assert sin_espacios(codificar(arr), ancho=10, aspecto=1.0, umbral=255)[0] == fila


def test_un_alfa_249_cambia_de_camino():
    arr = np.full((40, 40, 4), 255, np.uint8)
    arr[anillo(40, 12, 0), :3] = 0  # opaca: por distancia, la figura es el disco negro
    opaca = sin_espacios(codificar(arr), ancho=20)
    arr[0, 0, 3] = 249  # ahora todo lo de alfa ≥ 128 es figura: el cuadro entero
    assert sin_espacios(codificar(arr), ancho=20) == ["x" * 20] * 10 != opaca
    arr[0, 0, 3] = 250
    assert sin_espacios(codificar(arr), ancho=20) == opaca


@pytest.mark.parametrize("umbral, color, hay_figura", [
    (0, (254, 255, 255), True), (254, (0, 0, 0), True), (255, (0, 0, 0), False),
    (254, (0, 0, 2), False),  # distancia 440.52: 440.52·255/441.7 = 254.3, que redondea a 254
])
def test_umbral_fijo(umbral, color, hay_figura):
    m = np.zeros((20, 20), bool)
    m[5:15, 5:15] = True
    png = figura_opaca(m, figura=color)
    if hay_figura:
        assert "x" in glifador.dibujar(png, "x", ancho=20, umbral=umbral)
    else:
        assert fallo("dibujar", png, "x", ancho=20, umbral=umbral) == SIN_SILUETA


@pytest.mark.parametrize("png", [figura_opaca(anillo()), figura_alfa(anillo())], ids=["opaca", "alfa"])
def test_huecos_e_invertir(png):
    dib = lambda **k: glifador.dibujar(png, "x", ancho=40, aspecto=1.0, espacios="sin", **k)
    lleno, hueco = dib(), dib(huecos=True)
    medio = lambda t: t.split("\n")[16].strip()  # 32 filas con figura
    assert " " not in medio(lleno) and " " in medio(hueco)
    assert dib(invertir=True).count("x") == 40 * 40 - lleno.count("x")
    assert dib(invertir=True, huecos=True).count("x") == 40 * 40 - hueco.count("x")  # el hueco también


def test_suavizar_une_un_hueco_de_un_pixel():
    m = np.zeros((2, 9), bool)
    m[:, [3, 5]] = True
    assert glifador.dibujar(figura_alfa(m), "abc", ancho=9) == "a b"
    assert glifador.dibujar(figura_alfa(m), "abc", ancho=9, suavizar=1) == "abc"
    m[:] = False
    m[:, 0:2] = True  # la erosión no muerde desde fuera de la imagen
    assert glifador.dibujar(figura_alfa(m), "abc", ancho=9, suavizar=1, huecos=True) == "ab"


def test_filas_redondeadas_y_mas_columnas_que_pixeles():
    arr = np.full((50, 100, 4), 200, np.uint8)
    arr[40:50, 50:, 3] = 0  # 2.5 filas de celdas: la tercera cubre los píxeles 40..49
    assert sin_espacios(codificar(arr), ancho=10, huecos=True) == ["x" * 10, "x" * 10, "x" * 5]
    arr = np.full((2, 3, 4), 255, np.uint8)
    arr[:, 1, 3] = 0
    assert sin_espacios(codificar(arr), ancho=9, aspecto=3.0) == ["xxx   xxx"] * 2


@pytest.mark.parametrize("semilla", range(12))
def test_contra_la_referencia(semilla):
    rng = np.random.default_rng(semilla)
    h, w = rng.integers(5, 70, size=2)
    rgba = rng.integers(0, 256, size=(h, w, 4), dtype=np.uint8)
    aspecto = float(np.float32(rng.uniform(0.3, 3.0)))
    if semilla % 2:  # opaca: fondo liso con manchas, por distancia
        rgba[...] = 255
        rgba[..., :3] = rng.integers(0, 256, size=3)
        manchas = rng.random((h, w)) < 0.4
        rgba[manchas, :3] = rng.integers(0, 256, size=(int(manchas.sum()), 3))
        aspecto = 2.0
    columnas = int(rng.integers(1, 90))
    args = (codificar(rgba), "glifador")
    try:
        esperado = referencia.componer(referencia.rejilla(referencia.mascara(rgba), columnas, aspecto), "glifador ")
    except ValueError as e:
        assert fallo("dibujar", *args, ancho=columnas, aspecto=aspecto, huecos=True) == str(e)
        return
    assert glifador.dibujar(*args, ancho=columnas, aspecto=aspecto, huecos=True) == esperado


def test_ancho_automatico_es_el_menor_en_que_cabe():
    png = figura_alfa(anillo(200, 90, 30))
    cap = lambda c: glifador.dibujar(png, "a", ancho=c, espacios="sin").count("a")
    ancho = glifador.analizar(png, "ab" * 150, ancho="auto", espacios="sin")["ancho"]
    assert cap(ancho - 1) < 300 <= cap(ancho)
    assert glifador.dibujar(png, "ab" * 150, ancho="auto", espacios="sin") == glifador.dibujar(
        png, "ab" * 150, ancho=ancho, espacios="sin")
