"""La animación: número de fotogramas, avance del texto, latido y orden de las comprobaciones."""

import ctypes
import ctypes.util
import inspect
import math
import re
from pathlib import Path

import numpy as np
import pytest

import glifador
import referencia
from pinturas import anillo, codificar, figura_alfa

F = np.float32
LIBM = ctypes.CDLL(ctypes.util.find_library("m"))
LIBM.expf.restype = ctypes.c_float
LIBM.expf.argtypes = [ctypes.c_float]

LATIDO_TEXTO = "opción inválida: latido debe estar entre 0 y 1"
FOTOGRAMAS_TEXTO = "opción inválida: fotogramas debe ser > 0"
ANILLO = figura_alfa(anillo(40, 16, 8))
CORAZON = Path(__file__).resolve().parent.parent / "ejemplos" / "corazon.png"


def llena(ancho=12, alto=2):
    """Todo figura: a `ancho` columnas y aspecto 2, una sola fila."""
    arr = np.zeros((alto, ancho, 4), np.uint8)
    arr[..., 3] = 255
    arr[0, 0, 3] = 200  # un alfa < 250 elige la figura por transparencia
    return codificar(arr)


def escala(i, n, latido):
    """El factor del fotograma i con la misma expf de 32 bits que usa el módulo."""
    t = F(i) / F(n)
    a = (t - F(0.1)) / F(0.06)
    b = (t - F(0.32)) / F(0.07)
    pulso = max(F(LIBM.expf(-(a * a))), F(0.6) * F(LIBM.expf(-(b * b))))
    return F(1) - F(latido) * (F(1) - pulso)


def encoger(m, factor):
    h, w = m.shape
    factor = F(factor)

    def origen(n):
        c = F(n) / F(2)
        s = c + ((np.arange(n, dtype=F) + F(0.5)) - c) / factor
        dentro = (s >= 0) & (s < n)
        return np.where(dentro, s, 0).astype(np.int64), dentro

    ix, okx = origen(w)
    iy, oky = origen(h)
    return m[iy][:, ix] & oky[:, None] & okx[None, :]


def componer_comun(rejillas, letras, inicios):
    """El compositor de referencia con la caja de recorte común a todos los fotogramas."""
    filas = [f for rj in rejillas for f in range(rj.shape[0]) if rj[f].any()]
    izq = min(int(np.argmax(rj[f])) for rj in rejillas for f in range(rj.shape[0]) if rj[f].any())
    salida = []
    for rj, k in zip(rejillas, inicios):
        lineas = []
        for f in range(min(filas), max(filas) + 1):
            celdas = []
            for c in range(izq, rj.shape[1]):
                if rj[f, c]:
                    celdas.append(letras[k % len(letras)])
                    k += 1
                else:
                    celdas.append(" ")
            lineas.append("".join(celdas).rstrip())
        salida.append("\n".join(lineas))
    return salida


class TestNumeroDeFotogramas:
    @pytest.mark.parametrize(
        "texto, opciones, n",
        [
            ("abcdefghij", {}, 11),  # el separador cuenta: L = 11
            ("abcdefghijk", {"paso": 2}, 6),
            ("abcdefghijk", {"paso": 12}, 1),
            ("abcdefghijk", {"paso": 24}, 1),
            ("abcdefghijk", {"paso": 8}, 3),
            ("a" * 999, {}, 240),  # L = 1000: el tope gana
            ("abcdefghij", {"paso": 0}, 1),
            ("abcdefghij", {"paso": 0, "latido": 0.2}, 24),
            ("abcdefghij", {"fotogramas": 5}, 5),
            ("abcdefghij", {"fotogramas": 300}, 300),  # un número dado no tiene tope
            ("abcdefghij", {"repetir": False}, 10),
            ("ab cd", {"espacios": "sin"}, 4),
        ],
    )
    def test_cuenta(self, texto, opciones, n):
        assert len(glifador.animar(llena(), texto, ancho=12, **opciones)) == n


class TestAvance:
    @pytest.mark.parametrize(
        "paso, desfase, fotogramas, color",
        [(1, 0, None, False), (3, 2, None, True), (0, 7, 4, False), (1, 2**64 - 1, 3, False), (2**63, 5, 3, False)],
    )
    def test_cada_fotograma_es_un_dibujo(self, paso, desfase, fotogramas, color):
        """Sin latido el fotograma i es el dibujo con desfase + i·paso, módulo 2^64."""
        fotos = glifador.animar(ANILLO, "hola mundo", fotogramas=fotogramas, paso=paso, desfase=desfase, ancho=20,
                                color=color)
        for i, foto in enumerate(fotos):
            inicio = (desfase + i * paso) % 2**64
            assert foto == glifador.dibujar(ANILLO, "hola mundo", desfase=inicio, ancho=20, color=color)


class TestLatido:
    @pytest.mark.parametrize(
        "mascara, fotogramas, paso, latido",
        [
            (anillo(40, 16, 8), 10, 1, 0.5),
            (anillo(37, 15, 5), None, 0, 0.2),
            (np.pad(anillo(24, 11, 4), ((3, 10), (14, 1))), 12, 2, 0.9),  # descentrada, impar
        ],
    )
    def test_igual_a_la_referencia(self, mascara, fotogramas, paso, latido):
        fotos = glifador.animar(figura_alfa(mascara), "abc", fotogramas=fotogramas, paso=paso, latido=latido,
                                ancho=20, huecos=True)
        n = len(fotos)
        m = referencia.mascara(np.dstack([np.zeros(mascara.shape + (3,), np.uint8), mascara * np.uint8(255)]))
        rejillas = [referencia.rejilla(encoger(m, escala(i, n, latido)), 20) for i in range(n)]
        assert fotos == componer_comun(rejillas, list("abc "), [i * paso for i in range(n)])

    def test_fotograma_del_pulso_sin_encoger(self):
        """Con n = 10 el fotograma 1 cae en t = 0.1 exacto: factor 1, igual que sin latido."""
        fotos = glifador.animar(ANILLO, "hola", fotogramas=10, latido=0.5, ancho=20)
        assert fotos[1] == glifador.dibujar(ANILLO, "hola", desfase=1, ancho=20) != fotos[0]

    def test_mismas_lineas_en_todos(self):
        fotos = glifador.animar(CORAZON, "latido", paso=1, latido=0.6, ancho=30)
        lineas = {f.count("\n") for f in fotos}
        letras = [sum(not c.isspace() for c in f) for f in fotos]
        assert len(lineas) == 1 and min(letras) < max(letras)

    def test_los_colores_se_mueven_con_la_figura(self):
        """Borde azul, centro rojo: la letra más exterior de la figura encogida sigue siendo azul."""
        y, x = np.mgrid[:60, :60] + 0.5
        r = np.hypot(x - 30, y - 30)
        arr = np.zeros((60, 60, 4), np.uint8)
        arr[r <= 26] = (0, 0, 255, 255)
        arr[r <= 20] = (255, 0, 0, 255)
        fotos = glifador.animar(codificar(arr), "x", fotogramas=10, paso=0, latido=0.6, color=True, ancho=30)
        for foto in fotos:
            lineas = foto.split("\n")
            rojo, _, azul = re.match(r"\x1b\[38;2;(\d+);(\d+);(\d+)m", lineas[len(lineas) // 2].lstrip()).groups()
            assert int(azul) > int(rojo)


class TestErrores:
    @pytest.mark.parametrize("latido", [1.0, -0.1, math.nan, 2.0, math.inf])
    def test_latido_antes_que_la_silueta(self, latido):
        with pytest.raises(ValueError) as e:
            glifador.animar(ANILLO, "hola", latido=latido, fotogramas=0, ancho=0)
        assert e.value.args == (LATIDO_TEXTO,)

    def test_fotogramas_antes_que_la_silueta(self):
        with pytest.raises(ValueError) as e:
            glifador.animar(ANILLO, "hola", fotogramas=0, ancho=0, aspecto=-1)
        assert e.value.args == (FOTOGRAMAS_TEXTO,)

    @pytest.mark.parametrize("opciones", [{"fotogramas": 0}, {"latido": 2.0}])
    def test_la_imagen_antes_que_el_nucleo(self, opciones, tmp_path):
        with pytest.raises(OSError, match=r" \(os error 2\)$"):
            glifador.animar(tmp_path / "no.png", "hola", **opciones)
        with pytest.raises(ValueError, match="^no se pudo leer la imagen: "):
            glifador.animar(b"no es una imagen", "hola", **opciones)

    @pytest.mark.parametrize(
        "opciones, tipo, texto",
        [
            ({"ancho": "x"}, ValueError, 'opción inválida: ancho debe ser un entero o "auto"'),
            ({"espacios": "otro"}, ValueError, 'opción inválida: espacios debe ser "normal", "sin" o "todos"'),
            ({"ancho": "x", "paso": -1}, OverflowError, None),
            ({"fotogramas": -1}, OverflowError, None),
            ({"fotogramas": 2**64}, OverflowError, None),
            ({"fotogramas": 1.5}, TypeError, None),
            ({"latido": "x"}, TypeError, None),
            ({"color": 1}, TypeError, None),
        ],
    )
    def test_conversiones_antes_que_la_imagen(self, opciones, tipo, texto):
        with pytest.raises(tipo) as e:
            glifador.animar(b"no es una imagen", "hola", **opciones)
        if texto is not None:
            assert e.value.args == (texto,)

    @pytest.mark.parametrize(
        "imagen, texto, opciones, mensaje",
        [
            (ANILLO, "  ", {}, "el texto está vacío"),
            (figura_alfa(np.zeros((20, 20), bool)), "hola", {"ancho": 10},
             "no se encontró ninguna silueta en la imagen"),
            (llena(1000), "x" * 5000, {"ancho": "auto"},
             "el texto tiene 5000 letras y la silueta admite como mucho 1000 (con 1000 columnas)"),
        ],
        ids=["vacio", "sin_silueta", "no_cabe"],
    )
    def test_fallos_del_nucleo(self, imagen, texto, opciones, mensaje):
        with pytest.raises(ValueError) as e:
            glifador.animar(imagen, texto, **opciones)
        assert e.value.args == (mensaje,)

    def test_fotogramas_imposibles(self):
        with pytest.raises(MemoryError):
            glifador.animar(ANILLO, "hola", fotogramas=2**63)


def test_firma_y_documentacion():
    firma = inspect.signature(glifador.animar)
    assert [(p.name, p.default) for p in firma.parameters.values()] == [
        ("imagen", inspect.Parameter.empty), ("texto", inspect.Parameter.empty), ("fotogramas", None),
        ("paso", 1), ("latido", 0.0), ("ancho", Ellipsis), ("aspecto", 2.0), ("repetir", True),
        ("espacios", "normal"), ("umbral", None), ("invertir", False), ("huecos", False),
        ("suavizar", 0), ("desfase", 0), ("color", False),
    ]
    assert all(p.kind is p.POSITIONAL_OR_KEYWORD for p in firma.parameters.values())
    assert glifador.animar.__doc__ == (
        "Fotogramas de un glifador animado: el texto avanza `paso` letras por\n"
        "fotograma y, con `latido` > 0, la figura late una vez por vuelta. Con\n"
        "`fotogramas=None` se calculan los justos para un bucle sin costura."
    )
    funciones = [k for k, v in vars(glifador).items() if type(v).__name__ == "builtin_function_or_method"]
    assert funciones == ["dibujar", "analizar", "animar", "a_svg", "reproducir", "cli"][: len(funciones)]
