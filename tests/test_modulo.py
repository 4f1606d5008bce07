"""El módulo visto desde Python: conversiones, orden de las comprobaciones y excepciones."""

import inspect
import pathlib

import numpy as np
import pytest

import glifador
from pinturas import anillo, codificar, figura_alfa

PNG = figura_alfa(anillo(40, 16, 0))
ANCHO_TEXTO = 'opción inválida: ancho debe ser un entero o "auto"'
ESPACIOS_TEXTO = 'opción inválida: espacios debe ser "normal", "sin" o "todos"'


def test_version_y_firma():
    assert glifador.__version__ == "0.3.3"
    assert glifador.__doc__ == ""
    firma = inspect.signature(glifador.dibujar)
    assert list(firma.parameters) == [
        "imagen", "texto", "ancho", "aspecto", "repetir", "espacios",
        "umbral", "invertir", "huecos", "suavizar", "desfase", "color",
    ]
    assert firma.parameters["ancho"].default is Ellipsis
    assert firma.parameters["espacios"].default == "normal"
    assert firma.parameters["umbral"].default is None
    assert glifador.dibujar.__doc__.startswith("Escribe `texto` dentro de la silueta")


class TestImagen:
    def test_misma_figura_por_cualquier_via(self, tmp_path):
        ruta = tmp_path / "fig.png"
        ruta.write_bytes(PNG)
        esperado = glifador.dibujar(PNG, "hola")
        for imagen in (str(ruta), ruta, bytearray(PNG), list(PNG), tuple(PNG), memoryview(PNG)):
            assert glifador.dibujar(imagen, "hola") == esperado

    @pytest.mark.parametrize("imagen", [3, 2.5, None, [1, 256], [1, "a"], b"x".decode and object()])
    def test_tipos_rechazados(self, imagen):
        with pytest.raises(TypeError):
            glifador.dibujar(imagen, "hola")

    def test_ruta_inexistente_es_oserror(self, tmp_path):
        with pytest.raises(OSError) as e:
            glifador.dibujar(tmp_path / "no.png", "hola")
        assert type(e.value) is FileNotFoundError or type(e.value) is OSError
        assert str(e.value).endswith(" (os error 2)")
        assert e.value.args == (str(e.value),)

    def test_bytes_que_no_son_imagen(self):
        with pytest.raises(ValueError, match="^no se pudo leer la imagen: "):
            glifador.dibujar(b"esto no es una imagen", "hola")


class TestAncho:
    @pytest.mark.parametrize("ancho", ["AUTO", "Auto", "auto"])
    def test_auto(self, ancho):
        assert glifador.dibujar(PNG, "hola", ancho=ancho) == glifador.dibujar(PNG, "hola", ancho="auto")

    def test_texto_numerico(self):
        assert glifador.dibujar(PNG, "hola", ancho="+40") == glifador.dibujar(PNG, "hola", ancho=40)

    @pytest.mark.parametrize("ancho", ["40 ", "-1", "", "ancho", "autos", "4O", str(2**64)])
    def test_texto_invalido(self, ancho):
        with pytest.raises(ValueError) as e:
            glifador.dibujar(PNG, "hola", ancho=ancho)
        assert str(e.value) == ANCHO_TEXTO

    @pytest.mark.parametrize("ancho", [-1, 2**64, 3.0, None])
    def test_tipo_invalido(self, ancho):
        with pytest.raises(TypeError):
            glifador.dibujar(PNG, "hola", ancho=ancho)

    def test_cero(self):
        with pytest.raises(ValueError, match="^opción inválida: ancho debe ser > 0$"):
            glifador.dibujar(PNG, "hola", ancho=0)


class TestConversiones:
    @pytest.mark.parametrize(
        "opcion, valor, excepcion",
        [
            ("umbral", 256, OverflowError),
            ("umbral", -1, OverflowError),
            ("umbral", 2**70, OverflowError),
            ("umbral", "3", TypeError),
            ("suavizar", -1, OverflowError),
            ("suavizar", 2**64, OverflowError),
            ("desfase", -1, OverflowError),
            ("desfase", 1.0, TypeError),
            ("repetir", 1, TypeError),
            ("repetir", None, TypeError),
            ("color", "si", TypeError),
            ("aspecto", "2", TypeError),
            ("espacios", 3, TypeError),
        ],
    )
    def test_errores_de_conversion(self, opcion, valor, excepcion):
        with pytest.raises(excepcion):
            glifador.dibujar(PNG, "hola", **{opcion: valor})

    def test_texto_no_str(self):
        with pytest.raises(TypeError):
            glifador.dibujar(PNG, b"hola")

    @pytest.mark.parametrize("valor", [True, np.True_, np.bool_(True)])
    def test_booleanos(self, valor):
        assert glifador.dibujar(PNG, "hola", repetir=valor) == glifador.dibujar(PNG, "hola")

    def test_valores_extremos_validos(self):
        assert glifador.dibujar(PNG, "hola", desfase=2**64 - 1, suavizar=2**64 - 1)
        assert glifador.dibujar(PNG, "hola", umbral=None) == glifador.dibujar(PNG, "hola")
        assert glifador.dibujar(PNG, "hola", aspecto=np.float64(2.0)) == glifador.dibujar(PNG, "hola")

    @pytest.mark.parametrize("espacios", ["NORMAL", "Sin", "todos"])
    def test_espacios_validos(self, espacios):
        glifador.dibujar(PNG, "hola", espacios=espacios)

    def test_argumentos_de_python(self):
        with pytest.raises(TypeError):
            glifador.dibujar(PNG)
        with pytest.raises(TypeError):
            glifador.dibujar(PNG, "hola", otra=1)
        with pytest.raises(TypeError):
            glifador.dibujar(PNG, "hola", imagen=PNG)
        with pytest.raises(TypeError):
            glifador.dibujar(PNG, "a", 60, 2.0, True, "normal", None, False, False, 0, 0, False, 1)
        assert glifador.dibujar(PNG, "a", 60, 2.0, True, "normal", None, False, False, 0, 0, False)


class TestOrdenDeErrores:
    @pytest.mark.parametrize(
        "kwargs, excepcion, texto",
        [
            ({"imagen": 3, "ancho": "x"}, TypeError, None),
            ({"imagen": b"no", "ancho": "x", "espacios": "otro"}, ValueError, ANCHO_TEXTO),
            ({"imagen": b"no", "espacios": "otro"}, ValueError, ESPACIOS_TEXTO),
            ({"imagen": b"no", "ancho": 0, "texto": ""}, ValueError, "^no se pudo leer la imagen: "),
            ({"ancho": 0, "aspecto": 0.0, "texto": ""}, ValueError, "opción inválida: ancho debe ser > 0"),
            ({"aspecto": float("nan"), "texto": ""}, ValueError, "opción inválida: aspecto debe ser > 0"),
            ({"texto": " \n\t "}, ValueError, "el texto está vacío"),
            ({"ancho": "auto", "texto": ""}, ValueError, "el texto está vacío"),
        ],
    )
    def test_orden(self, kwargs, excepcion, texto):
        args = {"imagen": PNG, "texto": "hola", **kwargs}
        with pytest.raises(excepcion) as e:
            glifador.dibujar(**args)
        if texto and texto.startswith("^"):
            assert str(e.value).startswith(texto[1:])
        elif texto:
            assert str(e.value) == texto

    @pytest.mark.parametrize("aspecto", [0.0, -1.0, float("inf"), float("-inf"), 1e39])
    def test_aspecto_invalido(self, aspecto):
        with pytest.raises(ValueError, match="^opción inválida: aspecto debe ser > 0$"):
            glifador.dibujar(PNG, "hola", aspecto=aspecto)


class TestRecursos:
    @pytest.mark.parametrize("kwargs", [{"ancho": 10**12}, {"aspecto": 1e-45}, {"ancho": 2**64 - 1}])
    def test_rejilla_imposible_es_memoryerror(self, kwargs):
        with pytest.raises(MemoryError):
            glifador.dibujar(PNG, "hola", **kwargs)
        assert glifador.dibujar(PNG, "hola")  # el intérprete sigue sano

    def test_imagen_vacia(self):
        with pytest.raises(ValueError, match="no se encontró ninguna silueta"):
            glifador.dibujar(codificar(np.zeros((1, 1, 4), np.uint8)), "hola")
