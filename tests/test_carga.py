"""Carga de imágenes: formatos, extensiones, firmas, archivos cortados, bombas, corpus y E/S."""

import io
import struct
import time
import zlib
from pathlib import Path

import numpy as np
import pytest
from PIL import Image

import glifador
from pinturas import LEER, SIN_SILUETA, codificar, fallo

DESCONOCIDO = LEER + "no se pudo determinar el formato de la imagen"
NO_ADMITIDO = LEER + "formato de imagen no admitido: "
SUITE = Path(__file__).resolve().parents[2] / "shared" / "corpus" / "pngsuite"


def dibujo(imagen):
    return glifador.dibujar(imagen, "abcdefghijklmnopqrstuvwxyz", ancho=24)


def error(imagen, tipo=ValueError):
    return fallo("dibujar", imagen, "abcdefghijklmnopqrstuvwxyz", ancho=24, tipo=tipo)


def carga(imagen):
    """Si la imagen se carga; una imagen cargada puede no tener silueta."""
    try:
        dibujo(imagen)
    except ValueError as e:
        assert str(e) == SIN_SILUETA or str(e).startswith(LEER), e
        return str(e) == SIN_SILUETA
    return True


def pintura(alfa=False, lado=(48, 40)):
    """Colores lisos (caben en la paleta de un GIF, con el alfa como color transparente): disco con un
    hueco y una barra."""
    y, x = np.mgrid[: lado[1], : lado[0]] + 0.5
    r = np.hypot(x - 20, y - 20)
    arr = np.zeros((lado[1], lado[0], 4), np.uint8)
    arr[...] = (240, 235, 220, 0 if alfa else 255)
    arr[(r < 16) & (r > 6)] = (180, 20, 30, 255)
    arr[30:36, 24:46] = (20, 60, 200, 255)
    return arr if alfa else arr[..., :3].copy()


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


def webp_animado(fotograma, lienzo, x, y):
    """WebP animado de un fotograma colocado en (x, y) (pares) de un lienzo más grande."""
    fragmento = lambda tipo, datos: tipo + struct.pack("<I", len(datos)) + datos + b"\0" * (len(datos) % 2)
    tres = lambda v: v.to_bytes(3, "little")
    alto, ancho = fotograma.shape[:2]
    cuerpo = (b"WEBP" + fragmento(b"VP8X", b"\x12\0\0\0" + tres(lienzo[0] - 1) + tres(lienzo[1] - 1))
              + fragmento(b"ANIM", struct.pack("<IH", 0, 0))
              + fragmento(b"ANMF", tres(x // 2) + tres(y // 2) + tres(ancho - 1) + tres(alto - 1) + tres(100) + b"\2"
                          + codificar(fotograma, "WEBP", lossless=True)[12:]))
    return b"RIFF" + struct.pack("<I", len(cuerpo)) + cuerpo


def animada(formato, *fotogramas, **extra):
    buf = io.BytesIO()
    imagenes = [Image.fromarray(f) for f in fotogramas]
    imagenes[0].save(buf, formato, save_all=True, append_images=imagenes[1:], **extra)
    return buf.getvalue()


def en_jpeg(modo):
    buf = io.BytesIO()
    Image.fromarray(pintura()).convert(modo).save(buf, "JPEG", quality=100)
    return buf.getvalue()


@pytest.mark.parametrize("datos, referencia", [
    (codificar(pintura(), "BMP"), pintura()),
    (codificar(pintura(), "WEBP", lossless=True), pintura()),
    (codificar(pintura(), "JPEG", quality=100, subsampling=0), pintura()),
    (codificar(pintura(alfa=True), "GIF"), pintura(alfa=True)),
    (codificar(pintura(alfa=True), "WEBP", lossless=True), pintura(alfa=True)),
    # Pillow pasa de RGB a CMYK sin negro (C = 255 − R): al volver se recupera el RGB.
    (en_jpeg("CMYK"), pintura()),
    (en_jpeg("L"), np.asarray(Image.fromarray(pintura()).convert("L"))),
    # de una animación, solo la primera imagen
    (animada("PNG", pintura(), pintura()[::-1, ::-1]), pintura()),
    (animada("GIF", pintura(), pintura()[::-1, ::-1]), pintura()),
    (animada("WEBP", pintura(), pintura()[::-1, ::-1], lossless=True), pintura()),
], ids=["bmp", "webp", "jpeg", "gif_alfa", "webp_alfa", "jpeg_cmyk", "jpeg_gris", "apng", "gif_anim", "webp_anim"])
def test_mismo_dibujo_que_el_png(datos, referencia):
    assert dibujo(datos) == dibujo(codificar(referencia))
    assert dibujo(codificar(pintura())) != dibujo(codificar(pintura()[::-1, ::-1]))


def test_fotograma_desplazado_sobre_lienzo_transparente():
    figura = np.zeros((12, 20, 4), np.uint8)
    figura[...] = (200, 30, 40, 255)
    lienzo = np.zeros((40, 48, 4), np.uint8)
    lienzo[10:22, 16:36] = figura
    gif = bytearray(codificar(figura, "GIF"))
    gif[6:10] = struct.pack("<HH", 48, 40)
    desc = descriptor_gif(gif)
    gif[desc + 1 : desc + 5] = struct.pack("<HH", 16, 10)
    assert dibujo(bytes(gif)) == dibujo(webp_animado(figura, (48, 40), 16, 10)) == dibujo(codificar(lienzo))
    gif[6:10] = struct.pack("<HH", 30, 16)  # un fotograma que se sale de la pantalla se recorta
    assert dibujo(bytes(gif)) == dibujo(codificar(np.ascontiguousarray(lienzo[:16, :30])))
    gif[6:10] = b"\0\0\0\0"
    assert error(bytes(gif)) == SIN_SILUETA


def test_bmp():
    cabecera = struct.pack("<IiiHHIIiiII", 40, 2, 1, 1, 8, 1, 4, 0, 0, 2, 0)
    assert "RLE" in error(b"BM" + struct.pack("<IHHI", 66, 0, 0, 62) + cabecera + bytes(8) + b"\2\1\0\1")
    # En BI_RGB de 32 bits el cuarto byte está reservado: aunque traiga basura, la imagen es opaca.
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
    assert carga((SUITE / nombre).read_bytes()) == carga(SUITE / nombre) == se_carga


@pytest.mark.parametrize("nombre, mensaje", [
    ("FOTO.PNG", None), ("foto.Png", None), ("x.y.apng", None), (".png", None), ("foto.txt", DESCONOCIDO),
    ("foto", DESCONOCIDO), ("foto.", DESCONOCIDO), ("png", DESCONOCIDO),
    ("foto.gif", "..GIF"),  # el contenido no se mira en una ruta
    *[(f"a.{ext}", NO_ADMITIDO + n) for ext, n in [
        ("tif", "TIFF"), ("tiff", "TIFF"), ("ico", "ICO"), ("TGA", "TGA"), ("dds", "DDS"), ("hdr", "HDR"),
        ("exr", "OpenEXR"), ("pbm", "PNM"), ("pam", "PNM"), ("ppm", "PNM"), ("pgm", "PNM"), ("pnm", "PNM"),
        ("qoi", "QOI"), ("ff", "farbfeld"), ("avif", "AVIF")]],
])
def test_el_formato_lo_elige_la_extension(tmp_path, nombre, mensaje):
    (tmp_path / nombre).write_bytes(codificar(pintura()))
    if mensaje is None:
        assert dibujo(tmp_path / nombre) == dibujo(codificar(pintura()))
    elif mensaje.startswith(".."):
        assert mensaje[2:] in error(tmp_path / nombre)
    else:
        assert error(tmp_path / nombre) == mensaje


@pytest.mark.parametrize("inicio, mensaje", [
    *[(inicio, NO_ADMITIDO + n) for inicio, n in [
        (b"II*\0", "TIFF"), (b"MM\0*", "TIFF"), (b"\0\0\1\0", "ICO"), (b"DDS ", "DDS"), (b"#?RADIANCE\n", "HDR"),
        (b"#?RGBE", "HDR"), (b"\x76\x2f\x31\x01", "OpenEXR"), (b"qoif", "QOI"), (b"farbfeld", "farbfeld"),
        (b"P1 ", "PNM"), (b"P7\n", "PNM"), (b"\0\0\0\x1cftypavif", "AVIF"),
        (b"\0\0\0\x1cftypmif1\0\0\0\0avis", "AVIF")]],
    *[(inicio, DESCONOCIDO)
      for inicio in [b"hola", b"P8\n", b"P6", b"\x89PNG\r\n\x1a", b"GIF88a", b"RIFF\0\0\0\0WAVE", b"B"]],
])
def test_firma(inicio, mensaje):
    assert error(inicio + bytes(64)) == mensaje
    if mensaje == DESCONOCIDO:
        assert error(inicio) == error(b"") == DESCONOCIDO


def _archivos_de_cada_formato():
    arr, alfa = pintura(lado=(24, 20)), pintura(alfa=True, lado=(24, 20))
    return {
        "png": codificar(alfa),
        "png_entrelazado": codificar(arr, interlace=1),
        "jpeg": codificar(arr, "JPEG"),
        "jpeg_progresivo": codificar(arr, "JPEG", progressive=True),
        "gif": codificar(alfa, "GIF"),
        "gif_animado": animada("GIF", arr, arr[::-1]),
        "webp": codificar(arr, "WEBP"),
        "webp_sin_perdida": codificar(alfa, "WEBP", lossless=True),
        "webp_animado": webp_animado(alfa, (30, 24), 4, 2),
        "bmp": codificar(arr, "BMP"),
        "bmp_paleta": codificar(np.asarray(Image.fromarray(arr).quantize(8).convert("L")), "BMP"),
    }


@pytest.mark.parametrize("datos", [pytest.param(d, id=n) for n, d in _archivos_de_cada_formato().items()])
def test_cortado_a_cualquier_largo_falla(datos):
    assert carga(datos)
    assert [n for n in range(len(datos)) if carga(datos[:n])] == []


def _bombas():
    lado = 60000
    ihdr = b"\x89PNG\r\n\x1a\n" + bloque_png(b"IHDR", struct.pack(">IIBBBBB", lado, lado, 8, 6, 0, 0, 0))
    jpeg = bytearray(codificar(pintura(), "JPEG"))
    sof = jpeg.index(b"\xff\xc0")
    jpeg[sof + 5 : sof + 9] = struct.pack(">HH", lado, lado)
    gif = bytearray(codificar(pintura(), "GIF"))
    gif_fotograma = bytearray(gif)
    gif[6:10] = struct.pack("<HH", lado, lado)
    desc = descriptor_gif(gif_fotograma)
    gif_fotograma[desc + 5 : desc + 9] = struct.pack("<HH", lado, lado)
    webp = bytearray(webp_animado(pintura(alfa=True), (48, 40), 0, 0))
    webp[24:30] = (lado - 1).to_bytes(3, "little") * 2
    vp8l = bytearray(codificar(pintura(), "WEBP", lossless=True))
    vp8l[21:25] = ((16383 | 16383 << 14) | (struct.unpack("<I", vp8l[21:25])[0] & ~(2**28 - 1))).to_bytes(4, "little")
    vp8 = bytearray(codificar(np.full((40, 48, 3), 90, np.uint8), "WEBP"))
    inicio = vp8.index(b"\x9d\x01\x2a") + 3  # código de inicio de VP8; luego ancho y alto de 14 bits
    vp8[inicio : inicio + 4] = struct.pack("<HH", 16383, 16383)
    bmps = [bytearray(codificar(pintura(), "BMP")) for _ in range(2)]
    for b, alto in zip(bmps, (lado, -lado)):
        b[18:26] = struct.pack("<ii", lado, alto)
    return {
        "png_solo_cabecera": ihdr,
        "png": ihdr + bloque_png(b"IDAT", zlib.compress(bytes(1000))) + bloque_png(b"IEND", b""),
        "jpeg": jpeg,
        "jpeg_solo_cabecera": jpeg[: sof + 19],
        "gif_pantalla": gif,
        "gif_pantalla_sola": gif[:13],
        "gif_fotograma": gif_fotograma,
        "webp_lienzo": webp,
        "webp_lienzo_solo": webp[:30],
        "webp_sin_perdida": vp8l,
        "webp_con_perdida": vp8,
        "bmp": bmps[0],
        "bmp_arriba_abajo": bmps[1],
    }


@pytest.mark.parametrize("datos", [pytest.param(bytes(d), id=n) for n, d in _bombas().items()])
def test_bomba_falla_por_el_limite_enseguida(datos):
    inicio = time.perf_counter()
    assert error(datos) == LEER + "la imagen supera el límite de 512 MiB"
    assert time.perf_counter() - inicio < 0.1


@pytest.mark.parametrize("nombre, codigo", [("no_existe.png", 2), ("no_existe.xyz", 2), ("no_existe", 2),
                                            ("carpeta.png", 21), ("foto\0.png", 22)])
def test_entrada_salida(tmp_path, nombre, codigo):
    (tmp_path / "carpeta.png").mkdir()
    texto = error(str(tmp_path / nombre), OSError)
    assert texto.endswith(f"(os error {codigo})") and not texto.startswith(LEER)
