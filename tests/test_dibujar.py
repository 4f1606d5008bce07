"""La figura de texto: silueta, rejilla, letras y compositor."""

import math

import numpy as np
import pytest

import glifador
import referencia
from pinturas import anillo, codificar, figura_alfa, figura_opaca


def llena(ancho=12, alto=2):
    """Todo figura (por transparencia): a `ancho` columnas y aspecto 2, una fila de `ancho` celdas."""
    arr = np.zeros((alto, ancho, 4), np.uint8)
    arr[..., 3] = 255
    arr[0, 0, 3] = 200  # un alfa < 250 elige la transparencia; 200 sigue siendo figura
    return codificar(arr)


class TestCompositor:
    @pytest.mark.parametrize(
        "opciones, esperado",
        [
            ({}, "hola hola ho"),
            ({"desfase": 2}, "la hola hola"),
            ({"desfase": 7}, "la hola hola"),
            ({"espacios": "sin"}, "holaholahola"),
            ({"espacios": "todos"}, "holaholahola"),
            ({"repetir": False}, "hola"),
            ({"repetir": False, "desfase": 2}, "la"),
            ({"repetir": np.False_}, "hola"),
        ],
    )
    def test_una_fila(self, opciones, esperado):
        assert glifador.dibujar(llena(), "hola", ancho=12, **opciones) == esperado

    def test_lineas_vacias_entre_manchas(self):
        m = np.zeros((40, 20), bool)
        m[0:8, :] = True
        m[24:40, :] = True
        texto = glifador.dibujar(figura_alfa(m), "x", ancho=10)
        lineas = texto.split("\n")
        assert "" in lineas[1:-1]
        assert lineas[0] == "x x x x x" and lineas[-1] == "x x x x x"

    def test_fila_de_solo_separador_queda_vacia(self):
        m = np.zeros((6, 4), bool)
        m[0:2, :] = True
        m[2:4, 0] = True
        m[4:6, :] = True
        # filas de 4, 1 y 4 celdas: el separador de "abcd " cae solo en la del medio
        assert glifador.dibujar(figura_alfa(m), "abcd", ancho=4) == "abcd\n\nabcd"

    def test_sin_repetir_deja_lineas_vacias_al_final(self):
        texto = glifador.dibujar(llena(4, 6), "ab", ancho=4, aspecto=1.0, repetir=False)
        assert texto == "ab\n\n\n\n\n"

    def test_forma_conservada_y_recorte_izquierdo(self):
        m = np.zeros((4, 12), bool)
        m[0:2, 4:8] = True
        m[2:4, 6:12] = True
        assert glifador.dibujar(figura_alfa(m), "abcdefghij", ancho=12, aspecto=2.0) == "abcd\n  efghij"

    def test_ancho_mayor_que_mil(self):
        m = np.zeros((30, 30), bool)
        m[5:25, 5:25] = True
        texto = glifador.dibujar(figura_alfa(m), "a", ancho=1500)
        assert abs(max(len(l) for l in texto.split("\n")) - 1000) <= 1


class TestSilueta:
    @pytest.mark.parametrize("alfa, figura", [(128, True), (127, False)])
    def test_corte_de_alfa(self, alfa, figura):
        arr = np.zeros((10, 10, 4), np.uint8)
        arr[..., 3] = 255
        arr[:, :5, 3] = alfa
        texto = glifador.dibujar(codificar(arr), "x", ancho=10, aspecto=1.0, umbral=255, espacios="sin")
        assert texto.split("\n")[0] == ("x" * 10 if figura else "x" * 5)

    def test_un_alfa_249_cambia_de_camino(self):
        # opaca, blanca con un disco negro: por distancia, figura = el disco
        m = anillo(40, 12, 0)
        arr = np.full((40, 40, 4), 255, np.uint8)
        arr[m, :3] = 0
        opaca = glifador.dibujar(codificar(arr), "x", ancho=20, espacios="sin")
        arr[0, 0, 3] = 249  # ahora todo lo de alfa ≥ 128 es figura: el cuadro entero
        transparente = glifador.dibujar(codificar(arr), "x", ancho=20, espacios="sin")
        assert len(transparente) > len(opaca)
        assert transparente.split("\n")[0] == "x" * 20
        arr[0, 0, 3] = 250
        assert glifador.dibujar(codificar(arr), "x", ancho=20, espacios="sin") == opaca

    @pytest.mark.parametrize("umbral, hay_figura", [(0, True), (254, True), (255, False)])
    def test_umbral_fijo(self, umbral, hay_figura):
        m = np.zeros((20, 20), bool)
        m[5:15, 5:15] = True
        png = figura_opaca(m, figura=(254, 255, 255) if umbral == 0 else (0, 0, 0))
        if hay_figura:
            assert glifador.dibujar(png, "x", ancho=20, umbral=umbral).count("x") > 0
        else:
            with pytest.raises(ValueError, match="no se encontró ninguna silueta"):
                glifador.dibujar(png, "x", ancho=20, umbral=umbral)

    def test_figura_clara_sobre_fondo_oscuro(self):
        m = np.zeros((30, 30), bool)
        m[10:20, 10:20] = True
        claro = glifador.dibujar(figura_opaca(m, (255, 255, 255), (0, 0, 0)), "x", ancho=30)
        oscuro = glifador.dibujar(figura_opaca(m, (0, 0, 0), (255, 255, 255)), "x", ancho=30)
        assert claro == oscuro

    @pytest.mark.parametrize("opaca", [True, False])
    def test_anillo(self, opaca):
        m = anillo(40, 16, 8)
        png = figura_opaca(m) if opaca else figura_alfa(m)
        dib = lambda **k: glifador.dibujar(png, "x", ancho=40, aspecto=1.0, espacios="sin", **k)
        lleno, hueco = dib(), dib(huecos=True)
        fila = len(lleno.split("\n")) // 2
        assert " " not in lleno.split("\n")[fila].strip()
        assert " " in hueco.split("\n")[fila].strip()
        fuera = dib(invertir=True)
        assert fuera.count("x") == 40 * 40 - lleno.count("x")
        # invertir con huecos: también el hueco del anillo es figura
        todo = dib(invertir=True, huecos=True)
        assert todo.count("x") == 40 * 40 - hueco.count("x")

    def test_suavizar_une_un_hueco_de_un_pixel(self):
        m = np.zeros((1, 9), bool)
        m[0, [3, 5]] = True
        png = figura_alfa(np.repeat(m, 2, axis=0))
        assert glifador.dibujar(png, "abc", ancho=9) == "a b"
        assert glifador.dibujar(png, "abc", ancho=9, suavizar=1) == "abc"
        # la erosión no muerde desde fuera de la imagen
        borde = np.zeros((2, 9), bool)
        borde[:, 0:2] = True
        assert glifador.dibujar(figura_alfa(borde), "abc", ancho=9, suavizar=1, huecos=True) == "ab"

    def test_cien_por_cincuenta_a_diez_columnas(self):
        arr = np.zeros((50, 100, 4), np.uint8)
        arr[..., 3] = 255
        arr[40:50, 50:, 3] = 0  # la tercera fila cubre los píxeles 40..49
        arr[0, 0, 3] = 200
        texto = glifador.dibujar(codificar(arr), "x", ancho=10, espacios="sin", huecos=True)
        assert texto.split("\n") == ["x" * 10, "x" * 10, "x" * 5]

    def test_mas_columnas_que_pixeles(self):
        arr = np.zeros((2, 3, 4), np.uint8)
        arr[..., 3] = 255
        arr[:, 1, 3] = 0
        assert glifador.dibujar(codificar(arr), "x", ancho=9, aspecto=3.0, espacios="sin") == "xxx   xxx\nxxx   xxx"

    def test_imagen_uniforme_no_tiene_silueta(self):
        with pytest.raises(ValueError, match="^no se encontró ninguna silueta en la imagen$"):
            glifador.dibujar(codificar(np.full((20, 20, 3), 90, np.uint8)), "hola")


class TestReferencia:
    """Rejilla y compositor contra una referencia lenta en numpy, sobre imágenes al azar."""

    @pytest.mark.parametrize("semilla", range(6))
    def test_camino_de_alfa(self, semilla):
        rng = np.random.default_rng(semilla)
        h, w = rng.integers(5, 70, size=2)
        rgba = rng.integers(0, 256, size=(h, w, 4), dtype=np.uint8)
        columnas = int(rng.integers(1, 90))
        aspecto = float(np.float32(rng.uniform(0.3, 3.0)))
        self._comparar(rgba, columnas, aspecto)

    @pytest.mark.parametrize("semilla", range(6))
    def test_camino_de_distancia(self, semilla):
        rng = np.random.default_rng(100 + semilla)
        h, w = rng.integers(5, 70, size=2)
        rgba = np.full((h, w, 4), 255, np.uint8)
        rgba[..., :3] = rng.integers(0, 256, size=3)
        manchas = rng.random((h, w)) < 0.4
        rgba[manchas, :3] = rng.integers(0, 256, size=(int(manchas.sum()), 3))
        self._comparar(rgba, int(rng.integers(1, 90)), 2.0)

    @staticmethod
    def _comparar(rgba, columnas, aspecto):
        m = referencia.mascara(rgba)
        rj = referencia.rejilla(m, columnas, aspecto)
        letras = list("glifador") + [" "]
        try:
            esperado = referencia.componer(rj, letras)
        except ValueError as e:
            with pytest.raises(ValueError, match=str(e)):
                glifador.dibujar(codificar(rgba), "glifador", ancho=columnas, aspecto=aspecto, huecos=True)
            return
        assert glifador.dibujar(codificar(rgba), "glifador", ancho=columnas, aspecto=aspecto, huecos=True) == esperado


class TestAnchoAutomatico:
    def test_busqueda_binaria(self):
        png = figura_alfa(anillo(200, 90, 30), alfa_fondo=0)
        cap = lambda c: glifador.dibujar(png, "a", ancho=c, espacios="sin").count("a")
        lo, hi = 1, 1000
        while lo < hi:
            mid = (lo + hi) // 2
            lo, hi = (mid + 1, hi) if cap(mid) < 300 else (lo, mid)
        auto = glifador.dibujar(png, "ab" * 150, ancho="auto", espacios="sin")
        assert auto == glifador.dibujar(png, "ab" * 150, ancho=lo, espacios="sin")
        assert cap(lo) >= 300

    def test_capacidad_exacta_no_llega_al_separador(self):
        # a c < 6 columnas la barra es una sola fila de c celdas: "hola" cabe justo a 4
        assert glifador.dibujar(llena(), "hola", ancho="auto") == "hola"

    @pytest.mark.parametrize("ancho", ["auto", "AUTO", "Auto"])
    def test_no_cabe(self, ancho):
        png = llena()
        with pytest.raises(ValueError) as e:
            glifador.dibujar(png, "x" * 10**6, ancho=ancho)
        cap = glifador.dibujar(png, "x", ancho=1000, espacios="sin").count("x")
        assert str(e.value) == f"el texto tiene 1000000 letras y la silueta admite como mucho {cap} (con 1000 columnas)"

    def test_grafemas_cuentan_como_una_letra(self):
        bandera = "\U0001F1EA\U0001F1F8"
        assert glifador.dibujar(llena(), "n\u0303" + bandera, ancho=2) == "n\u0303" + bandera
