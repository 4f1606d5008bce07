"""Límites: imágenes que declaran demasiado, rejillas imposibles y mensajes enormes.

Las bombas de cada formato que declaran más de 512 MiB están en test_carga.py, y ancho=10**12
y el aspecto subnormal con un ancho dado en test_modulo.py; aquí va lo que aquellas no cubren.
"""

import os
import struct
import subprocess
import sys
import time

import numpy as np
import pytest

import glifador
from pinturas import anillo, codificar, figura_alfa

PNG = figura_alfa(anillo(40))
LIMITE = "no se pudo leer la imagen: la imagen supera el límite de 512 MiB"
SIN_SILUETA = "no se encontró ninguna silueta en la imagen"
# ASan reserva a su manera (zonas rojas, cuarentena): las cuentas de memoria no valen con él.
CON_ASAN = "libasan" in os.environ.get("LD_PRELOAD", "")


def rapido(llamada, excepciones, segundos=1.0):
    inicio = time.perf_counter()
    with pytest.raises(excepciones) as e:
        llamada()
    assert time.perf_counter() - inicio < segundos
    return str(e.value)


class TestImagenes:
    def test_webp_con_perdida_enorme(self):
        webp = bytearray(codificar(np.full((40, 48, 3), 90, np.uint8), "WEBP"))
        inicio = webp.index(b"\x9d\x01\x2a") + 3  # código de inicio de VP8; luego ancho y alto de 14 bits
        webp[inicio : inicio + 4] = struct.pack("<HH", 16383, 16383)
        assert rapido(lambda: glifador.dibujar(bytes(webp), "hola"), ValueError, 0.1) == LIMITE

    # Sin píxeles no hay nada que reservar, aunque el otro lado declare miles de millones:
    # una vez la silueta reservaba aquí una tabla de 8 GB.
    @pytest.mark.parametrize("ancho, alto", [(2**31 - 1, 0), (0, 2**31 - 1), (0, -(2**31))])
    def test_bmp_sin_pixeles_con_un_lado_enorme(self, ancho, alto):
        bmp = bytearray(codificar(np.zeros((2, 2, 3), np.uint8), "BMP"))
        bmp[18:26] = struct.pack("<ii", ancho, alto)
        for llamada in (lambda: glifador.dibujar(bytes(bmp), "hola"), lambda: glifador.analizar(bytes(bmp))):
            assert rapido(llamada, ValueError, 0.1) == SIN_SILUETA

    def test_secuencia_que_declara_una_longitud_enorme(self):
        # La longitud la da el objeto: antes se reservaba entera (4 GB aquí) antes de leer nada.
        class Mentira:
            def __len__(self):
                return 4 * 10**9

            def __getitem__(self, i):
                raise IndexError(i)

        rapido(lambda: glifador.dibujar(Mentira(), "hola"), TypeError, 0.1)


class TestRejillasImposibles:
    # Con ancho="auto" la capacidad se mide a 1000 columnas sin construir la rejilla: antes
    # recorría una a una las filas pedidas, y con un aspecto diminuto eran 2**64. Todas esas
    # filas miran la primera fila de píxeles, que aquí es fondo: de ahí SinSilueta.
    @pytest.mark.parametrize(
        "funcion, kwargs",
        [
            ("dibujar", {"ancho": "auto", "aspecto": 1e-45}),
            ("dibujar", {"ancho": "auto", "aspecto": 1e-30, "color": True}),
            ("analizar", {"ancho": "auto", "aspecto": 1e-45}),
            ("analizar", {"aspecto": 1e-45}),
            ("analizar", {"ancho": 10**12}),
            ("analizar", {"ancho": 2**64 - 1}),
        ],
    )
    def test_falla_enseguida(self, funcion, kwargs):
        rapido(lambda: getattr(glifador, funcion)(PNG, "hola", **kwargs), (MemoryError, ValueError))
        assert glifador.dibujar(PNG, "hola")  # el intérprete sigue sano

    def test_imagen_muy_delgada_con_ancho_auto(self):
        # 1 × 20000 píxeles: a 1000 columnas serían diez millones de filas que no se construyen.
        arr = np.zeros((20000, 1, 4), np.uint8)
        arr[..., 3] = 255
        arr[0, 0, 3] = 200
        png, texto = codificar(arr), "hola " * 1000
        inicio = time.perf_counter()
        lineas = glifador.dibujar(png, texto, ancho="auto").split("\n")
        assert time.perf_counter() - inicio < 1
        # Todo es figura: a 1 columna, 10000 filas de una letra; las 5000 del mensaje caben.
        assert len(lineas) == 10000 and "".join(lineas) == (texto * 2)[:10000].replace(" ", "")


class TestMensajeEnorme:
    @staticmethod
    def mensaje(megas):
        frase = "El pingüino y el ñandú comen piñones junto al río. "
        return (frase * (megas * 2**20 // len(frase.encode()) + 1))[: megas * 2**20]

    def test_100_mb_en_tiempo_lineal(self):
        tiempos = {}
        for megas in (25, 100):
            texto = self.mensaje(megas)
            inicio = time.perf_counter()
            figura = glifador.dibujar(PNG, texto, ancho=60)
            tiempos[megas] = time.perf_counter() - inicio
            # Solo cuentan las primeras letras: las mismas que con el principio del mensaje.
            assert figura == glifador.dibujar(PNG, texto[:20000], ancho=60, repetir=False)
        # Lineal: unas 4 veces; cuadrático daría 16.
        assert tiempos[100] / tiempos[25] < 8, tiempos

    @pytest.mark.skipif(CON_ASAN, reason="ASan cambia las cuentas de memoria")
    def test_100_mb_sin_disparar_la_memoria(self):
        # En un proceso aparte, para que el pico sea el de esta llamada y no el de otras pruebas.
        codigo = (
            "import resource, sys, glifador\n"
            "png, texto = open(sys.argv[1], 'rb').read(), 'ñandú ' * (100 * 2**20 // 7)\n"
            "antes = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss\n"
            "glifador.dibujar(png, texto)\n"
            "print((resource.getrusage(resource.RUSAGE_SELF).ru_maxrss - antes) * 1024 / len(texto.encode()))\n"
        )
        ruta = os.path.join(os.path.dirname(__file__), "..", "ejemplos", "gato.png")
        r = subprocess.run(
            [sys.executable, "-c", codigo, ruta], capture_output=True, text=True, timeout=120, check=True
        )
        # Copia del texto, texto normalizado y un corte de 4 bytes por letra: unas 7 veces.
        assert float(r.stdout) < 10
