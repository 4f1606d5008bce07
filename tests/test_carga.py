"""Carga de imágenes: formatos, extensiones, firmas, archivos cortados, límite de memoria y E/S."""

import io
import struct
import time
import zlib
from pathlib import Path

import glifador
import numpy as np
import pytest
from PIL import Image
from pinturas import codificar

PREFIJO = "no se pudo leer la imagen: "
DESCONOCIDO = PREFIJO + "no se pudo determinar el formato de la imagen"
LIMITE = PREFIJO + "la imagen supera el límite de 512 MiB"
SIN_SILUETA = "no se encontró ninguna silueta en la imagen"
SUITE = Path(__file__).resolve().parents[2] / "shared" / "corpus" / "pngsuite"


def dibujo(imagen):
    return glifador.dibujar(imagen, "abcdefghijklmnopqrstuvwxyz", ancho=24)


def fallo(imagen, tipo=ValueError):
    with pytest.raises(tipo) as e:
        dibujo(imagen)
    return str(e.value)


def carga(imagen):
    """Si la imagen se carga; una imagen cargada puede no tener silueta."""
    try:
        dibujo(imagen)
    except ValueError as e:
        if str(e) == SIN_SILUETA:
            return True
        assert str(e).startswith(PREFIJO), e
        return False
    return True


def pintura(alfa=False, lado=(48, 40)):
    """Colores lisos (caben en una paleta GIF): disco con un hueco y una barra."""
    ancho, alto = lado
    y, x = np.mgrid[:alto, :ancho] + 0.5
    r = np.hypot(x - 20, y - 20)
    arr = np.zeros((alto, ancho, 4), np.uint8)
    arr[...] = (240, 235, 220, 0 if alfa else 255)
    arr[(r < 16) & (r > 6)] = (180, 20, 30, 255)
    arr[30:36, 24:46] = (20, 60, 200, 255)
    return arr if alfa else arr[..., :3].copy()


def a_gif(arr, **opciones):
    """GIF sin pérdida: los colores lisos de la pintura caben en su paleta."""
    if arr.shape[-1] == 3:
        return codificar(arr, "GIF", **opciones)
    opaca = Image.fromarray(arr[..., :3]).quantize(8)
    idx = np.asarray(opaca).copy()
    idx[arr[..., 3] < 128] = 7
    p = Image.fromarray(idx, "P")
    p.putpalette(opaca.getpalette())
    buf = io.BytesIO()
    p.save(buf, "GIF", transparency=7, **opciones)
    return buf.getvalue()


def descriptor_gif(gif):
    """Posición del primer descriptor de imagen (0x2C), tras la paleta global y las extensiones."""
    p = 13 + (3 * (2 << (gif[10] & 7)) if gif[10] & 0x80 else 0)
    while gif[p] == 0x21:
        p += 2
        while gif[p]:
            p += gif[p] + 1
        p += 1
    return p


def bloque_png(tipo, datos):
    return struct.pack(">I", len(datos)) + tipo + datos + struct.pack(">I", zlib.crc32(tipo + datos))


def fragmento_webp(tipo, datos):
    return tipo + struct.pack("<I", len(datos)) + datos + b"\0" * (len(datos) % 2)


def webp_animado(fotograma, lienzo, x, y):
    """WebP animado de un fotograma colocado en (x, y) (pares) de un lienzo más grande."""
    vp8l = codificar(fotograma, "WEBP", lossless=True)[12:]
    alto, ancho = fotograma.shape[:2]
    tres = lambda v: v.to_bytes(3, "little")
    vp8x = fragmento_webp(b"VP8X", b"\x12\0\0\0" + tres(lienzo[0] - 1) + tres(lienzo[1] - 1))
    anim = fragmento_webp(b"ANIM", struct.pack("<IH", 0, 0))
    anmf = fragmento_webp(b"ANMF", tres(x // 2) + tres(y // 2) + tres(ancho - 1) + tres(alto - 1) + tres(100) + b"\2" + vp8l)
    cuerpo = b"WEBP" + vp8x + anim + anmf
    return b"RIFF" + struct.pack("<I", len(cuerpo)) + cuerpo


class TestFormatos:
    @pytest.mark.parametrize(
        "formato, opciones",
        [("GIF", {}), ("BMP", {}), ("WEBP", {"lossless": True}), ("JPEG", {"quality": 100, "subsampling": 0})],
    )
    def test_mismo_dibujo_que_el_png(self, formato, opciones):
        arr = pintura()
        assert dibujo(codificar(arr, formato, **opciones)) == dibujo(codificar(arr))

    @pytest.mark.parametrize("codificador", [a_gif, lambda a: codificar(a, "WEBP", lossless=True)], ids=["gif", "webp"])
    def test_transparencia_igual_que_el_png(self, codificador):
        arr = pintura(alfa=True)
        assert dibujo(codificador(arr)) == dibujo(codificar(arr))

    @pytest.mark.parametrize("modo", ["CMYK", "L"])
    def test_jpeg_cmyk_y_gris(self, modo):
        # Pillow pasa de RGB a CMYK sin negro (C = 255 − R): al volver se recupera el RGB.
        rgb = Image.fromarray(pintura())
        buf = io.BytesIO()
        rgb.convert(modo).save(buf, "JPEG", quality=100)
        referencia = rgb if modo == "CMYK" else rgb.convert("L")
        assert dibujo(buf.getvalue()) == dibujo(codificar(np.asarray(referencia)))

    @pytest.mark.parametrize("formato", ["PNG", "GIF", "WEBP"])
    def test_animacion_solo_la_primera_imagen(self, formato):
        primera, otra = pintura(), np.rot90(pintura(), 2).copy()
        buf = io.BytesIO()
        extra = {"lossless": True} if formato == "WEBP" else {}
        Image.fromarray(primera).save(buf, formato, save_all=True, append_images=[Image.fromarray(otra)], **extra)
        assert dibujo(buf.getvalue()) == dibujo(codificar(primera)) != dibujo(codificar(otra))

    def test_fotograma_desplazado_sobre_lienzo_transparente(self):
        figura = np.zeros((12, 20, 4), np.uint8)
        figura[...] = (200, 30, 40, 255)
        lienzo = np.zeros((40, 48, 4), np.uint8)
        lienzo[10:22, 16:36] = figura
        gif = bytearray(a_gif(figura))
        gif[6:10] = struct.pack("<HH", 48, 40)
        desc = descriptor_gif(gif)
        gif[desc + 1 : desc + 5] = struct.pack("<HH", 16, 10)
        esperado = dibujo(codificar(lienzo))
        assert dibujo(bytes(gif)) == dibujo(webp_animado(figura, (48, 40), 16, 10)) == esperado
        # Un fotograma que se sale de la pantalla se recorta.
        gif[6:10] = struct.pack("<HH", 30, 16)
        lienzo_recortado = np.ascontiguousarray(lienzo[:16, :30])
        assert dibujo(bytes(gif)) == dibujo(codificar(lienzo_recortado))

    def test_gif_de_pantalla_vacia(self):
        gif = bytearray(a_gif(pintura()))
        gif[6:10] = b"\0\0\0\0"
        assert fallo(bytes(gif)) == SIN_SILUETA

    def test_bmp_rle_no_admitido(self):
        cabecera = struct.pack("<IiiHHIIiiII", 40, 2, 1, 1, 8, 1, 4, 0, 0, 2, 0)
        paleta, datos = bytes(8), b"\2\1\0\1"
        bmp = b"BM" + struct.pack("<IHHI", 62 + len(datos), 0, 0, 62) + cabecera + paleta + datos
        assert "RLE" in fallo(bmp)

    def test_bmp_32_bits_sin_alfa(self):
        # En BI_RGB el cuarto byte está reservado: aunque traiga basura, la imagen es opaca.
        arr = pintura()
        bgrx = np.dstack([arr[::-1, :, ::-1], np.full(arr.shape[:2], 7, np.uint8)])
        cabecera = struct.pack("<IiiHHIIiiII", 40, arr.shape[1], arr.shape[0], 1, 32, 0, bgrx.size, 0, 0, 0, 0)
        bmp = b"BM" + struct.pack("<IHHI", 54 + bgrx.size, 0, 0, 54) + cabecera + bgrx.tobytes()
        assert dibujo(bmp) == dibujo(codificar(arr))


def _manifiesto():
    if not (SUITE / "MANIFEST.tsv").exists():
        return []
    filas = [linea.split("\t") for linea in (SUITE / "MANIFEST.tsv").read_text().splitlines()[1:]]
    return [pytest.param(f[0], f[2] == "loads", id=f[0]) for f in filas]


@pytest.mark.parametrize("nombre, se_carga", _manifiesto())
def test_corpus_png(nombre, se_carga):
    ruta = SUITE / nombre
    assert carga(ruta.read_bytes()) == se_carga
    assert carga(ruta) == se_carga


class TestFormatoElegido:
    @pytest.mark.parametrize("nombre", ["FOTO.PNG", "foto.Png", "x.y.apng", ".png"])
    def test_extension_sin_distinguir_mayusculas(self, tmp_path, nombre):
        (tmp_path / nombre).write_bytes(codificar(pintura()))
        assert carga(tmp_path / nombre)

    @pytest.mark.parametrize("nombre", ["foto.txt", "foto", "foto.", "png"])
    def test_extension_desconocida(self, tmp_path, nombre):
        datos = codificar(pintura())
        (tmp_path / nombre).write_bytes(datos)
        assert fallo(tmp_path / nombre) == DESCONOCIDO
        assert carga(datos)

    def test_el_contenido_no_se_mira_en_una_ruta(self, tmp_path):
        (tmp_path / "foto.gif").write_bytes(codificar(pintura()))
        assert "GIF" in fallo(tmp_path / "foto.gif")

    @pytest.mark.parametrize("formato, nombre, ext", [("TIFF", "TIFF", "tif"), ("TIFF", "TIFF", "tiff"), ("ICO", "ICO", "ico")])
    def test_no_admitido_de_verdad(self, tmp_path, formato, nombre, ext):
        datos = codificar(pintura(), formato)
        (tmp_path / f"a.{ext}").write_bytes(datos)
        texto = PREFIJO + "formato de imagen no admitido: " + nombre
        assert fallo(datos) == fallo(tmp_path / f"a.{ext}") == texto

    @pytest.mark.parametrize(
        "ext, nombre",
        [("TGA", "TGA"), ("dds", "DDS"), ("hdr", "HDR"), ("exr", "OpenEXR"), ("pbm", "PNM"), ("pam", "PNM"),
         ("ppm", "PNM"), ("pgm", "PNM"), ("pnm", "PNM"), ("qoi", "QOI"), ("ff", "farbfeld"), ("avif", "AVIF")],
    )
    def test_extension_no_admitida(self, tmp_path, ext, nombre):
        (tmp_path / f"a.{ext}").write_bytes(codificar(pintura()))
        assert fallo(tmp_path / f"a.{ext}") == PREFIJO + "formato de imagen no admitido: " + nombre

    @pytest.mark.parametrize(
        "inicio, nombre",
        [(b"II*\0", "TIFF"), (b"MM\0*", "TIFF"), (b"\0\0\1\0", "ICO"), (b"DDS ", "DDS"), (b"#?RADIANCE\n", "HDR"),
         (b"#?RGBE", "HDR"), (b"\x76\x2f\x31\x01", "OpenEXR"), (b"qoif", "QOI"), (b"farbfeld", "farbfeld"),
         (b"P1 ", "PNM"), (b"P7\n", "PNM"), (b"\0\0\0\x1cftypavif", "AVIF"), (b"\0\0\0\x1cftypmif1\0\0\0\0avis", "AVIF")],
    )
    def test_firma_no_admitida(self, inicio, nombre):
        assert fallo(inicio + bytes(64)) == PREFIJO + "formato de imagen no admitido: " + nombre

    @pytest.mark.parametrize("inicio", [b"hola", b"P8\n", b"P6", b"\x89PNG\r\n\x1a", b"GIF88a", b"RIFF\0\0\0\0WAVE", b"B"])
    def test_firma_desconocida(self, inicio):
        assert fallo(inicio + bytes(40)) == fallo(inicio) == fallo(b"") == DESCONOCIDO


def _archivos_de_cada_formato():
    arr, alfa = pintura(lado=(24, 20)), pintura(alfa=True, lado=(24, 20))
    buf = io.BytesIO()
    Image.fromarray(arr).save(buf, "GIF", save_all=True, append_images=[Image.fromarray(arr[::-1].copy())])
    return {
        "png": codificar(alfa),
        "png_entrelazado": codificar(arr, interlace=1),
        "jpeg": codificar(arr, "JPEG"),
        "jpeg_progresivo": codificar(arr, "JPEG", progressive=True),
        "gif": a_gif(alfa),
        "gif_animado": buf.getvalue(),
        "webp": codificar(arr, "WEBP"),
        "webp_sin_perdida": codificar(alfa, "WEBP", lossless=True),
        "webp_animado": webp_animado(alfa, (30, 24), 4, 2),
        "bmp": codificar(arr, "BMP"),
        "bmp_paleta": codificar(np.asarray(Image.fromarray(arr).quantize(8).convert("L")), "BMP"),
    }


@pytest.mark.parametrize("datos", [pytest.param(d, id=n) for n, d in _archivos_de_cada_formato().items()])
def test_cortado_a_cualquier_largo_falla(datos):
    assert carga(datos)
    cargan = [n for n in range(len(datos)) if carga(datos[:n])]
    assert cargan == []


def _bombas():
    lado = 60000
    ihdr = b"\x89PNG\r\n\x1a\n" + bloque_png(b"IHDR", struct.pack(">IIBBBBB", lado, lado, 8, 6, 0, 0, 0))
    jpeg = bytearray(codificar(pintura(), "JPEG"))
    sof = jpeg.index(b"\xff\xc0")
    jpeg[sof + 5 : sof + 9] = struct.pack(">HH", lado, lado)
    gif = bytearray(a_gif(pintura()))
    gif_fotograma = bytearray(gif)
    gif[6:10] = struct.pack("<HH", lado, lado)
    desc = descriptor_gif(gif_fotograma)
    gif_fotograma[desc + 5 : desc + 9] = struct.pack("<HH", lado, lado)
    webp = bytearray(webp_animado(pintura(alfa=True), (48, 40), 0, 0))
    webp[24:30] = (lado - 1).to_bytes(3, "little") * 2
    vp8l = bytearray(codificar(pintura(), "WEBP", lossless=True))
    vp8l[21:25] = ((16383 | 16383 << 14) | (struct.unpack("<I", vp8l[21:25])[0] & ~(2**28 - 1))).to_bytes(4, "little")
    bmps = []
    for alto in (lado, -lado):
        b = bytearray(codificar(pintura(), "BMP"))
        b[18:26] = struct.pack("<ii", lado, alto)
        bmps.append(bytes(b))
    return {
        "png_solo_cabecera": ihdr,
        "png": ihdr + bloque_png(b"IDAT", zlib.compress(bytes(1000))) + bloque_png(b"IEND", b""),
        "jpeg": bytes(jpeg),
        "jpeg_solo_cabecera": bytes(jpeg[: sof + 19]),
        "gif_pantalla": bytes(gif),
        "gif_pantalla_sola": bytes(gif[:13]),
        "gif_fotograma": bytes(gif_fotograma),
        "webp_lienzo": bytes(webp),
        "webp_lienzo_solo": bytes(webp[:30]),
        "webp_sin_perdida": bytes(vp8l),
        "bmp": bmps[0],
        "bmp_arriba_abajo": bmps[1],
    }


@pytest.mark.parametrize("datos", [pytest.param(d, id=n) for n, d in _bombas().items()])
def test_bomba_falla_por_el_limite_enseguida(datos):
    inicio = time.perf_counter()
    assert fallo(datos) == LIMITE
    assert time.perf_counter() - inicio < 0.1


class TestEntradaSalida:
    @pytest.mark.parametrize("nombre", ["no_existe.png", "no_existe.xyz", "no_existe"])
    def test_archivo_que_falta(self, tmp_path, nombre):
        texto = fallo(tmp_path / nombre, OSError)
        assert texto.endswith("(os error 2)") and not texto.startswith(PREFIJO)

    def test_directorio(self, tmp_path):
        (tmp_path / "carpeta.png").mkdir()
        assert fallo(tmp_path / "carpeta.png", OSError).endswith("(os error 21)")

    def test_ruta_con_nul(self):
        assert fallo("foto\0.png", OSError).endswith("(os error 22)")
