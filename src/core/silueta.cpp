// Decisión de figura y fondo, cierre morfológico, relleno de huecos e inversión.
#include "silueta.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "tamano.h"

namespace glifador {

namespace {

/// Recorre las muestras del borde en el orden fijo: filas de arriba y abajo, luego columnas.
template <class F>
void por_cada_muestra_del_borde(std::uint64_t w, std::uint64_t h, F&& f) {
    for (std::uint64_t x = 0; x < w; ++x) {
        f(x);
        f((h - 1) * w + x);
    }
    for (std::uint64_t y = 0; y < h; ++y) {
        f(y * w);
        f(y * w + w - 1);
    }
}

/// Elemento k-ésimo (desde 0) de los valores contados en un histograma de 256 casillas.
std::uint8_t elemento_ordenado(const std::array<std::uint64_t, 256>& h, std::uint64_t k) {
    std::uint64_t acumulado = 0;
    for (unsigned v = 0; v < 256; ++v) {
        acumulado += h[v];
        if (acumulado > k) return static_cast<std::uint8_t>(v);
    }
    return 255;
}

/// Tabla de la distancia escalada para cada suma de cuadrados posible (0 .. 3·255²).
std::vector<std::uint8_t> tabla_de_distancias() {
    constexpr std::uint32_t maximo = 3u * 255u * 255u;
    std::vector<std::uint8_t> t(maximo + 1);
    for (std::uint32_t s = 0; s <= maximo; ++s) {
        float d = std::sqrt(static_cast<float>(s));
        float v = std::round(d * 255.0f / 441.7f);
        t[s] = static_cast<std::uint8_t>(std::min(v, 255.0f));
    }
    return t;
}

/// Una sola pasada, por bloques para que el compilador la vectorice; acaba en el
/// primer bloque con un alfa < 250.
bool hay_transparencia(const std::vector<std::uint8_t>& rgba) {
    const std::size_t n = rgba.size() / 4;
    const std::uint8_t* p = rgba.data();
    constexpr std::size_t bloque = 256;
    for (std::size_t i = 0; i < n; i += bloque) {
        const std::size_t fin = std::min(n, i + bloque);
        std::uint8_t minimo = 255;
        for (std::size_t j = i; j < fin; ++j) minimo = std::min(minimo, p[j * 4 + 3]);
        if (minimo < 250) return true;
    }
    return false;
}

void mascara_por_alfa(const std::vector<std::uint8_t>& rgba, std::uint8_t* m) {
    const std::size_t n = rgba.size() / 4;
    const std::uint8_t* p = rgba.data();
    for (std::size_t i = 0; i < n; ++i) m[i] = p[i * 4 + 3] >> 7;
}

/// Umbral automático: Otsu, limitado por el percentil 99 del borde más 10.
std::uint8_t umbral_automatico(const ImagenRgba& img, const std::uint8_t* d) {
    // Cuatro histogramas parciales: en una imagen de fondo liso casi todos los píxeles
    // caen en la misma casilla, y uno solo encadenaría cada suma con la anterior.
    std::uint64_t parcial[4][256] = {};
    const std::size_t n = std::size_t{img.ancho} * img.alto;
    std::size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        ++parcial[0][d[i]];
        ++parcial[1][d[i + 1]];
        ++parcial[2][d[i + 2]];
        ++parcial[3][d[i + 3]];
    }
    for (; i < n; ++i) ++parcial[0][d[i]];
    std::uint64_t histograma[256];
    for (int v = 0; v < 256; ++v) histograma[v] = parcial[0][v] + parcial[1][v] + parcial[2][v] + parcial[3][v];
    std::uint8_t otsu = umbral_otsu(histograma, n);

    std::array<std::uint64_t, 256> borde{};
    std::uint64_t muestras = 0;
    por_cada_muestra_del_borde(img.ancho, img.alto, [&](std::uint64_t i) {
        ++borde[d[i]];
        ++muestras;
    });
    unsigned p99 = elemento_ordenado(borde, muestras * 99 / 100);
    return static_cast<std::uint8_t>(std::min<unsigned>(otsu, p99 + 10));
}

void mascara_por_distancia(const ImagenRgba& img, std::optional<std::uint8_t> umbral, std::uint8_t* m) {
    std::uint8_t fondo[3];
    color_de_fondo(img, fondo);
    distancias(img, fondo, m);
    const std::uint8_t t = umbral ? *umbral : umbral_automatico(img, m);
    const std::size_t n = std::size_t{img.ancho} * img.alto;
    for (std::size_t i = 0; i < n; ++i) m[i] = m[i] > t;
}

/// Una pasada de dilatación o erosión a lo largo de líneas de `largo` elementos separados
/// por `paso`; `cuenta` lleva los unos de la ventana [i − r, i + r] recortada a la línea.
void pasada(const std::uint8_t* origen, std::uint8_t* destino, std::uint64_t lineas, std::uint64_t largo,
            std::uint64_t salto_linea, std::uint64_t paso, std::uint64_t r, bool dilatar) {
    for (std::uint64_t l = 0; l < lineas; ++l) {
        const std::uint8_t* o = origen + l * salto_linea;
        std::uint8_t* d = destino + l * salto_linea;
        std::uint64_t cuenta = 0;
        std::uint64_t fin = std::min(r, largo - 1);  // ventana de la posición 0: [0, fin]
        for (std::uint64_t j = 0; j <= fin; ++j) cuenta += o[j * paso];
        for (std::uint64_t i = 0; i < largo; ++i) {
            std::uint64_t ini = i > r ? i - r : 0;
            std::uint64_t tam = fin - ini + 1;
            d[i * paso] = dilatar ? cuenta > 0 : cuenta == tam;
            if (fin + 1 < largo) cuenta += o[++fin * paso];
            if (i >= r) cuenta -= o[(i - r) * paso];
        }
    }
}

/// Pasada por columnas recorriendo filas enteras, para leer la memoria en orden.
void pasada_columnas(const std::uint8_t* o, std::uint8_t* d, std::uint64_t w, std::uint64_t h, std::uint64_t r,
                     bool dilatar, std::vector<std::uint32_t>& cuenta) {
    cuenta.assign(w, 0);
    std::uint64_t fin = std::min(r, h - 1);
    for (std::uint64_t y = 0; y <= fin; ++y)
        for (std::uint64_t x = 0; x < w; ++x) cuenta[x] += o[y * w + x];
    for (std::uint64_t y = 0; y < h; ++y) {
        std::uint64_t ini = y > r ? y - r : 0;
        const std::uint32_t tam = static_cast<std::uint32_t>(fin - ini + 1);
        std::uint8_t* fila = d + y * w;
        if (dilatar)
            for (std::uint64_t x = 0; x < w; ++x) fila[x] = cuenta[x] > 0;
        else
            for (std::uint64_t x = 0; x < w; ++x) fila[x] = cuenta[x] == tam;
        if (fin + 1 < h) {
            const std::uint8_t* entra = o + ++fin * w;
            for (std::uint64_t x = 0; x < w; ++x) cuenta[x] += entra[x];
        }
        if (y >= r) {
            const std::uint8_t* sale = o + (y - r) * w;
            for (std::uint64_t x = 0; x < w; ++x) cuenta[x] -= sale[x];
        }
    }
}

/// Cierre con ventana cuadrada de lado 2r + 1: dilatar filas, columnas; erosionar filas, columnas.
void suavizar(std::vector<std::uint8_t>& m, std::uint64_t w, std::uint64_t h, std::uint64_t r) {
    r = std::min<std::uint64_t>(r, std::max(w, h));  // más allá, la ventana ya cubre la línea entera
    std::vector<std::uint8_t> tmp(m.size());
    std::vector<std::uint32_t> cuenta;
    pasada(m.data(), tmp.data(), h, w, w, 1, r, true);
    pasada_columnas(tmp.data(), m.data(), w, h, r, true, cuenta);
    pasada(m.data(), tmp.data(), h, w, w, 1, r, false);
    pasada_columnas(tmp.data(), m.data(), w, h, r, false, cuenta);
}

/// El fondo alcanzable desde el borde (vecindad de 4) se marca con 2; lo demás pasa a ser
/// figura. Se rellena por tramos horizontales: cada tramo se marca al apilarlo, así que
/// cada píxel entra una sola vez y la pila nunca tiene más entradas que píxeles. El conjunto
/// alcanzado es el mismo que el de un relleno píxel a píxel, que es lo único que cuenta.
class Relleno {
public:
    Relleno(std::vector<std::uint8_t>& m, std::uint64_t w, std::uint64_t h) : m_(m.data()), w_(w), h_(h) {}

    void semilla(std::uint64_t i) {
        if (m_[i] == 0) apilar(i % w_, i / w_);
    }

    void vaciar() {
        while (!pila_.empty()) {
            const Tramo t = pila_.back();
            pila_.pop_back();
            const std::uint64_t y = t.inicio / w_, x0 = t.inicio % w_, x1 = x0 + t.largo;
            if (y > 0) vecinos(x0, x1, y - 1);
            if (y + 1 < h_) vecinos(x0, x1, y + 1);
        }
    }

private:
    static constexpr std::uint8_t VISTO = 2;
    struct Tramo {
        std::uint32_t inicio;  // índice del primer píxel (cabe: la imagen ocupa < 2^32 píxeles)
        std::uint32_t largo;
    };

    /// Extiende (x, y) a izquierda y derecha por el fondo sin visitar, lo marca y lo apila.
    std::uint64_t apilar(std::uint64_t x, std::uint64_t y) {
        std::uint8_t* fila = m_ + y * w_;
        std::uint64_t a = x, b = x + 1;
        while (a > 0 && fila[a - 1] == 0) --a;
        while (b < w_ && fila[b] == 0) ++b;
        std::fill(fila + a, fila + b, VISTO);
        pila_.push_back({static_cast<std::uint32_t>(y * w_ + a), static_cast<std::uint32_t>(b - a)});
        return b;
    }

    void vecinos(std::uint64_t x0, std::uint64_t x1, std::uint64_t y) {
        const std::uint8_t* fila = m_ + y * w_;
        for (std::uint64_t x = x0; x < x1; ++x) {
            const void* cero = std::memchr(fila + x, 0, x1 - x);
            if (!cero) return;
            x = apilar(static_cast<std::uint64_t>(static_cast<const std::uint8_t*>(cero) - fila), y);
        }
    }

    std::uint8_t* m_;
    std::uint64_t w_, h_;
    std::vector<Tramo> pila_;
};

void rellenar_huecos(std::vector<std::uint8_t>& m, std::uint64_t w, std::uint64_t h) {
    Relleno r(m, w, h);
    por_cada_muestra_del_borde(w, h, [&](std::uint64_t i) { r.semilla(i); });
    r.vaciar();
    for (auto& v : m) v = v != 2;
}

}  // namespace

void color_de_fondo(const ImagenRgba& img, std::uint8_t rgb[3]) {
    std::array<std::array<std::uint64_t, 256>, 3> h{};
    std::uint64_t n = 0;
    por_cada_muestra_del_borde(img.ancho, img.alto, [&](std::uint64_t i) {
        for (int c = 0; c < 3; ++c) ++h[c][img.rgba[i * 4 + c]];
        ++n;
    });
    for (int c = 0; c < 3; ++c) rgb[c] = elemento_ordenado(h[c], n / 2);
}

void distancias(const ImagenRgba& img, const std::uint8_t fondo[3], std::uint8_t* salida) {
    const std::vector<std::uint8_t> tabla = tabla_de_distancias();
    const std::size_t n = std::size_t{img.ancho} * img.alto;
    const std::uint8_t* p = img.rgba.data();
    const int rb = fondo[0], gb = fondo[1], bb = fondo[2];
    for (std::size_t i = 0; i < n; ++i) {
        const int dr = p[i * 4] - rb, dg = p[i * 4 + 1] - gb, db = p[i * 4 + 2] - bb;
        salida[i] = tabla[static_cast<std::uint32_t>(dr * dr + dg * dg + db * db)];
    }
}

std::uint8_t umbral_otsu(const std::uint64_t h[256], std::uint64_t total_px) {
    const double n = static_cast<double>(total_px);
    double total = 0;
    for (int i = 0; i < 256; ++i) total += i * static_cast<double>(h[i]);
    double wb = 0, sumb = 0, mejor = -1.0;
    int umbral = 0;
    for (int t = 0; t < 256; ++t) {
        wb += static_cast<double>(h[t]);
        if (wb == 0) continue;
        const double wf = n - wb;
        if (wf == 0) break;
        sumb += t * static_cast<double>(h[t]);
        const double mb = sumb / wb, mf = (total - sumb) / wf;
        const double entre = (wb * wf) * (mb - mf) * (mb - mf);
        if (entre > mejor) {
            mejor = entre;
            umbral = t;
        }
    }
    return static_cast<std::uint8_t>(umbral);
}

void calcular_sumas(Silueta& s) {
    const std::uint64_t w = s.ancho_px, h = s.alto_px;
    // Sin píxeles ninguna celda consulta la tabla (la geometría da la rejilla vacía), y con un
    // lado cero el otro puede declarar miles de millones de columnas: gigas de ceros inútiles.
    if (w == 0 || h == 0) {
        s.suma.assign(1, 0);
        return;
    }
    s.suma.assign(tamano_o_bad_alloc(w + 1, h + 1), 0);
    const std::uint8_t* m = s.mascara.data();
    for (std::uint64_t y = 0; y < h; ++y) {
        const std::uint32_t* arriba = s.suma.data() + y * (w + 1);
        std::uint32_t* fila = s.suma.data() + (y + 1) * (w + 1);
        std::uint32_t acumulado = 0;
        for (std::uint64_t x = 0; x < w; ++x) {
            acumulado += m[y * w + x];
            fila[x + 1] = arriba[x + 1] + acumulado;
        }
    }
}

Resultado<Silueta> extraer_silueta(ImagenRgba img, const Opciones& op) {
    if (!op.ancho.automatico && op.ancho.columnas == 0) return opcion_invalida("ancho debe ser > 0");
    if (!(std::isfinite(op.aspecto) && op.aspecto > 0)) return opcion_invalida("aspecto debe ser > 0");

    Silueta s;
    s.ancho_px = img.ancho;
    s.alto_px = img.alto;
    s.aspecto = op.aspecto;
    const std::uint64_t w = img.ancho, h = img.alto;
    s.mascara.assign(tamano_o_bad_alloc(w, h), 0);
    if (w > 0 && h > 0) {
        if (hay_transparencia(img.rgba))
            mascara_por_alfa(img.rgba, s.mascara.data());
        else
            mascara_por_distancia(img, op.umbral, s.mascara.data());
        if (op.suavizar > 0) suavizar(s.mascara, w, h, op.suavizar);
        if (!op.huecos) rellenar_huecos(s.mascara, w, h);
        if (op.invertir)
            for (auto& v : s.mascara) v ^= 1;
    }
    s.colores = std::move(img.rgba);
    calcular_sumas(s);
    return s;
}

}  // namespace glifador
