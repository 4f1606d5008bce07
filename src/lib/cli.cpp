// El trabajo de `glifador`: opciones, comprobaciones de grupo, el mensaje, el modo y la salida.
#include "cli.h"

#include <charconv>
#include <cmath>
#include <limits>

#include <unistd.h>

#include "animacion/animacion.h"
#include "animacion/svg.h"
#include "core/analisis.h"
#include "core/dibujo.h"
#include "core/imagen.h"
#include "core/opciones.h"
#include "informe.h"

namespace glifador {

const std::string_view AYUDA = R"ayuda(uso: glifador IMAGEN [opciones]            escribe el texto dentro de la silueta
     glifador analizar IMAGEN [opciones]   examina la silueta para diseñar el texto
     glifador animar IMAGEN [opciones]     anima el glifador en la terminal o en un SVG

Si no se pasa --texto ni --archivo, el texto se lee de stdin (al analizar es opcional:
si se pasa, dice en qué ancho cabe).

opciones:
  -t, --texto TEXTO     mensaje a escribir
  -f, --archivo RUTA    leer el mensaje de un archivo
  -w, --ancho N|auto    columnas de salida (60); auto = el menor ancho donde cabe todo
      --aspecto F       alto/ancho de un carácter (2.0)
      --umbral N        umbral 0-255 de separación figura/fondo (auto)
      --sin-repetir     no repetir el texto para llenar la silueta
      --espacios MODO   normal: colapsa espacios y separa repeticiones con uno (defecto)
                        sin: quita todos los espacios; todos: los deja tal cual
      --invertir        escribir en el fondo en vez de en la figura
      --con-huecos      respetar los huecos interiores del color del fondo
      --suavizar N      unir trazos punteados o hechos de letras (radio en píxeles)
      --desfase N       empezar el texto N letras más adelante
  -h, --help            mostrar esta ayuda

salida (dibujar y animar):
      --colores C1,C2   degradado horizontal en hexadecimal (#ff2d55,#b44dff)
                        o "imagen": cada letra con el color de la imagen en su sitio
      --svg RUTA        guardar un SVG en vez de imprimir (animado con animar)
      --fondo COLOR     color de fondo del SVG (transparente si no se indica)
      --tamano PX       tamaño de letra del SVG (14)

animar:
      --paso N          letras que avanza el texto por fotograma (1; 0 = quieto)
      --latido F        la figura late encogiéndose hasta F (0-1, p. ej. 0.2)
      --fotogramas N    cuántos fotogramas (auto: los justos para un bucle sin costura)
      --intervalo S     segundos por fotograma (0.08)
      --veces N         vueltas en la terminal (sin fin; 1 si la salida no es una terminal)

Ctrl+C detiene la animación.)ayuda";

namespace {

// Números

bool igual_sin_caja(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char c = a[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != b[i]) return false;
    }
    return true;
}

std::size_t cifras(std::string_view t, std::size_t i) {
    std::size_t j = i;
    while (j < t.size() && t[j] >= '0' && t[j] <= '9') ++j;
    return j - i;
}

/// Cifras, fracción y exponente, ya sin signo; "5.", ".5" valen, "." y "1e" no.
bool sintaxis_decimal(std::string_view t) {
    std::size_t i = cifras(t, 0);
    std::size_t total = i;
    if (i < t.size() && t[i] == '.') {
        const std::size_t f = cifras(t, i + 1);
        total += f;
        i += 1 + f;
    }
    if (total == 0) return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
        const std::size_t e = cifras(t, i);
        if (e == 0) return false;
        i += e;
    }
    return i == t.size();
}

/// Verdadero si un número decimal válido que no cabe en el tipo es grande (y no diminuto):
/// basta con el orden de magnitud, porque los desbordes quedan muy lejos de 1.
bool es_grande(std::string_view t) {
    long magnitud = 0;
    std::size_t i = 0;
    while (i < t.size() && t[i] == '0') ++i;
    const std::size_t enteras = cifras(t, i);
    i += enteras;
    if (enteras > 0) {
        magnitud = static_cast<long>(enteras);
        i += (i < t.size() && t[i] == '.') ? 1 + cifras(t, i + 1) : 0;
    } else if (i < t.size() && t[i] == '.') {
        ++i;
        while (i < t.size() && t[i] == '0') --magnitud, ++i;
        i += cifras(t, i);
    }
    long exponente = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        const bool negativo = t[i] == '-';
        if (t[i] == '+' || t[i] == '-') ++i;
        // Saturado: más allá de mil millones el signo es lo único que cuenta.
        for (; i < t.size(); ++i) exponente = std::min(exponente * 10 + (t[i] - '0'), 1000000000L);
        if (negativo) exponente = -exponente;
    }
    return magnitud + exponente > 0;
}

template <class T>
bool leer_real_de(std::string_view t, T* valor) {
    bool negativo = false;
    if (!t.empty() && (t[0] == '+' || t[0] == '-')) {
        negativo = t[0] == '-';
        t.remove_prefix(1);
    }
    T v;
    if (igual_sin_caja(t, "inf") || igual_sin_caja(t, "infinity")) {
        v = std::numeric_limits<T>::infinity();
    } else if (igual_sin_caja(t, "nan")) {
        v = std::numeric_limits<T>::quiet_NaN();
    } else {
        if (!sintaxis_decimal(t)) return false;
        const auto [fin, ec] = std::from_chars(t.data(), t.data() + t.size(), v, std::chars_format::general);
        if (ec == std::errc::result_out_of_range)
            v = es_grande(t) ? std::numeric_limits<T>::infinity() : T(0);
        else if (ec != std::errc() || fin != t.data() + t.size())
            return false;
    }
    *valor = negativo ? -v : v;
    return true;
}

// Opciones

enum class Modo : std::uint8_t { Dibujar, Analizar, Animar };

const char* nombre(Modo m) {
    switch (m) {
        case Modo::Dibujar: return "dibujar";
        case Modo::Analizar: return "analizar";
        case Modo::Animar: return "animar";
    }
    return "";
}

enum class Op : std::uint8_t {
    Texto, Archivo, Ancho, Aspecto, Umbral, SinRepetir, Espacios, Invertir, ConHuecos, Suavizar, Desfase, Ayuda,
    Colores, Svg, Fondo, Tamano, Paso, Latido, Fotogramas, Intervalo, Veces,
};

/// Los dos grupos que solo valen en ciertos modos.
enum class Grupo : std::uint8_t { Ninguno, Salida, Animacion };

struct DefOpcion {
    std::string_view corta, larga;
    Op op;
    bool con_valor;
    Grupo grupo;
};

constexpr DefOpcion OPCIONES[] = {
    {"-t", "--texto", Op::Texto, true, Grupo::Ninguno},
    {"-f", "--archivo", Op::Archivo, true, Grupo::Ninguno},
    {"-w", "--ancho", Op::Ancho, true, Grupo::Ninguno},
    {"", "--aspecto", Op::Aspecto, true, Grupo::Ninguno},
    {"", "--umbral", Op::Umbral, true, Grupo::Ninguno},
    {"", "--sin-repetir", Op::SinRepetir, false, Grupo::Ninguno},
    {"", "--espacios", Op::Espacios, true, Grupo::Ninguno},
    {"", "--invertir", Op::Invertir, false, Grupo::Ninguno},
    {"", "--con-huecos", Op::ConHuecos, false, Grupo::Ninguno},
    {"", "--suavizar", Op::Suavizar, true, Grupo::Ninguno},
    {"", "--desfase", Op::Desfase, true, Grupo::Ninguno},
    {"-h", "--help", Op::Ayuda, false, Grupo::Ninguno},
    {"", "--colores", Op::Colores, true, Grupo::Salida},
    {"", "--svg", Op::Svg, true, Grupo::Salida},
    {"", "--fondo", Op::Fondo, true, Grupo::Salida},
    {"", "--tamano", Op::Tamano, true, Grupo::Salida},
    {"", "--paso", Op::Paso, true, Grupo::Animacion},
    {"", "--latido", Op::Latido, true, Grupo::Animacion},
    {"", "--fotogramas", Op::Fotogramas, true, Grupo::Animacion},
    {"", "--intervalo", Op::Intervalo, true, Grupo::Animacion},
    {"", "--veces", Op::Veces, true, Grupo::Animacion},
};

const DefOpcion* buscar(std::string_view arg) {
    for (const DefOpcion& d : OPCIONES)
        if ((!d.corta.empty() && arg == d.corta) || arg == d.larga) return &d;
    return nullptr;
}

/// Todo lo que la orden reúne antes de trabajar.
struct Pedido {
    Modo modo = Modo::Dibujar;
    std::optional<std::string> ruta, texto, archivo, svg, lista_colores;
    Opciones op;
    OpcionesAnimacion animacion;
    double intervalo = static_cast<double>(0.08f);  // el mismo valor que recibe el SVG
    std::optional<std::uint64_t> veces;
    std::optional<Rgb> fondo;
    float tamano = 14.0f;
    std::string_view ultima_de_salida, ultima_de_animacion;  ///< para la comprobación de modo
};

using Aviso = std::optional<std::string>;

Aviso entero(std::string_view valor, std::uint64_t& destino, std::string_view opcion, const char* regla) {
    if (leer_entero(valor, &destino)) return {};
    return std::string(opcion) + regla;
}

template <class T>
Aviso real(std::string_view valor, T& destino, std::string_view opcion, const char* regla = " debe ser un número") {
    if (leer_real(valor, &destino)) return {};
    return std::string(opcion) + regla;
}

template <class T>
Aviso leido(Resultado<T> r, T& destino) {
    if (!r) return mensaje(r.fallo());
    destino = *r;
    return {};
}

Aviso aplicar_nucleo(const DefOpcion& d, std::string_view v, Pedido& p) {
    constexpr const char* ENTERO = " debe ser un entero >= 0";
    switch (d.op) {
        case Op::Texto: p.texto = std::string(v); return {};
        case Op::Archivo: p.archivo = std::string(v); return {};
        case Op::Ancho: return leido(leer_ancho(v), p.op.ancho);
        case Op::Aspecto: return real(v, p.op.aspecto, d.larga);
        case Op::Umbral: {
            std::uint64_t n;
            if (!leer_entero(v, &n) || n > 255) return std::string(d.larga) + " debe estar entre 0 y 255";
            p.op.umbral = static_cast<std::uint8_t>(n);
            return {};
        }
        case Op::SinRepetir: p.op.repetir = false; return {};
        case Op::Espacios: return leido(leer_espacios(v), p.op.espacios);
        case Op::Invertir: p.op.invertir = true; return {};
        case Op::ConHuecos: p.op.huecos = true; return {};
        case Op::Suavizar: return entero(v, p.op.suavizar, d.larga, ENTERO);
        case Op::Desfase: return entero(v, p.op.desfase, d.larga, ENTERO);
        default: return {};
    }
}

Aviso aplicar(const DefOpcion& d, std::string_view v, Pedido& p) {
    constexpr const char* ENTERO = " debe ser un entero >= 0";
    std::uint64_t n;
    switch (d.op) {
        case Op::Colores:
            // Un --colores posterior sustituye al anterior, sea lista o "imagen".
            p.op.color = igual_sin_caja(v, "imagen");
            if (p.op.color)
                p.lista_colores.reset();
            else
                p.lista_colores = std::string(v);
            return {};
        case Op::Svg: p.svg = std::string(v); return {};
        case Op::Fondo: {
            auto c = leer_color(v);
            if (!c) return mensaje(c.fallo());
            p.fondo = *c;
            return {};
        }
        case Op::Tamano: return real(v, p.tamano, d.larga);
        case Op::Paso: return entero(v, p.animacion.paso, d.larga, ENTERO);
        case Op::Latido: return real(v, p.animacion.latido, d.larga, " debe ser un número entre 0 y 1");
        case Op::Fotogramas:
            if (!leer_entero(v, &n)) return std::string(d.larga) + " debe ser un entero > 0";
            p.animacion.fotogramas = n;
            return {};
        case Op::Intervalo: return real(v, p.intervalo, d.larga);
        case Op::Veces:
            if (!leer_entero(v, &n)) return std::string(d.larga) + ENTERO;
            p.veces = n;
            return {};
        default: return aplicar_nucleo(d, v, p);
    }
}

/// El modo y las opciones; un Error si algo no encaja (mensaje vacío: la ayuda).
std::variant<Pedido, Error> escanear(const std::vector<std::string>& args) {
    Pedido p;
    std::size_t i = 0;
    if (!args.empty() && (args[0] == "animar" || args[0] == "analizar")) {
        p.modo = args[0] == "animar" ? Modo::Animar : Modo::Analizar;
        i = 1;
    }
    if (i == args.size()) return Error{"falta la ruta de la imagen"};
    for (; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (const DefOpcion* d = buscar(arg)) {
            if (d->op == Op::Ayuda) return Error{};
            if (d->grupo == Grupo::Salida) p.ultima_de_salida = d->larga;
            if (d->grupo == Grupo::Animacion) p.ultima_de_animacion = d->larga;
            std::string_view valor;
            if (d->con_valor) {
                if (i + 1 == args.size()) return Error{"falta el valor de " + arg};
                valor = args[++i];
            }
            if (Aviso a = aplicar(*d, valor, p)) return Error{std::move(*a)};
        } else if (arg.size() >= 2 && arg[0] == '-') {
            return Error{"opción desconocida: " + arg};
        } else if (!p.ruta) {
            p.ruta = arg;
        } else {
            return Error{"argumento de más: " + arg};
        }
    }
    return p;
}

/// Opciones de un grupo en un modo que no las usa.
Aviso comprobar_modo(const Pedido& p) {
    if (!p.ultima_de_salida.empty() && p.modo == Modo::Analizar)
        return std::string(p.ultima_de_salida) + " no se usa al " + nombre(p.modo);
    if (!p.ultima_de_animacion.empty() && p.modo != Modo::Animar)
        return std::string(p.ultima_de_animacion) + " no se usa al " + nombre(p.modo);
    return {};
}

Lectura leer_entrada_estandar(AtenderSenales atender) { return leer_todo(STDIN_FILENO, atender); }

EntradaSalida completar(EntradaSalida es) {
    if (!es.leer_archivo) es.leer_archivo = leer_archivo;
    if (!es.leer_entrada) es.leer_entrada = leer_entrada_estandar;
    if (!es.cargar_imagen) es.cargar_imagen = cargar_imagen;
    if (!es.escribir_archivo) es.escribir_archivo = escribir_archivo;
    return es;
}

/// El mensaje de --texto, de --archivo o de la entrada estándar; nada si no hace falta.
std::optional<Accion> leer_mensaje(const Pedido& p, AtenderSenales atender, const EntradaSalida& es,
                                   std::optional<std::string>& destino) {
    if (p.texto && p.archivo) return Error{"usa --texto o --archivo, no ambos"};
    if (p.texto) {
        destino = *p.texto;
        return {};
    }
    if (!p.archivo && p.modo == Modo::Analizar) return {};
    Lectura l = p.archivo ? es.leer_archivo(*p.archivo, atender) : es.leer_entrada(atender);
    if (l.interrumpida) return Interrumpida{};
    std::string error;
    if (l.error != 0)
        error = texto_error_sistema(l.error);
    else if (!es_utf8(l.datos))
        error = TEXTO_NO_UTF8;
    if (!error.empty()) return Error{p.archivo ? *p.archivo + ": " + error : error};
    destino = std::move(l.datos);
    return {};
}

/// La salida de un dibujo o una animación ya hechos: SVG, terminal o texto.
Accion salida(Pedido& p, const EntradaSalida& es, std::vector<std::string> fotogramas) {
    std::vector<Rgb> colores;
    if (p.lista_colores) {
        auto c = leer_lista_colores(*p.lista_colores);
        if (!c) return Error{mensaje(c.fallo())};
        colores = std::move(*c);
    }
    if (p.svg) {
        static_assert(std::numeric_limits<float>::is_iec559, "el estrechamiento redondea según IEEE 754");
        OpcionesSvg os;
        os.colores = colores.empty() ? COLORES_POR_DEFECTO : colores;
        os.fondo = p.fondo;
        os.intervalo = static_cast<float>(p.intervalo);
        os.tamano = p.tamano;
        os.aspecto = p.op.aspecto;
        auto doc = a_svg(fotogramas, os);
        if (!doc) return Error{mensaje(doc.fallo())};
        if (const int e = es.escribir_archivo(*p.svg, *doc)) return Error{*p.svg + ": " + texto_error_sistema(e)};
        return Imprimir{*p.svg + ": " + std::to_string(fotogramas.size()) + " fotograma(s)"};
    }
    if (p.modo == Modo::Animar) {
        // Fuera de una terminal (una tubería, un archivo) una animación sin fin no acabaría nunca.
        std::optional<std::uint64_t> veces = p.veces;
        if (!veces && !::isatty(STDOUT_FILENO)) veces = 1;
        return Reproducir{std::move(fotogramas), p.intervalo, veces, std::move(colores)};
    }
    return Imprimir{colorear_fotograma(fotogramas.front(), colores)};
}

Accion ejecutar_modo(Pedido& p, const EntradaSalida& es, ImagenRgba imagen, const std::optional<std::string>& texto) {
    if (p.modo == Modo::Analizar) {
        std::optional<std::string_view> vista;
        if (texto) vista = *texto;
        auto inf = analizar_silueta(std::move(imagen), vista, p.op);
        if (!inf) return Error{mensaje(inf.fallo())};
        return Imprimir{informe_texto(*inf)};
    }
    // Fuera de analizar el texto siempre está: de -t, de -f o de la entrada estándar.
    if (p.modo == Modo::Animar) {
        auto f = animar(std::move(imagen), *texto, p.op, p.animacion);
        if (!f) return Error{mensaje(f.fallo())};
        return salida(p, es, std::move(*f));
    }
    auto f = dibujar(std::move(imagen), *texto, p.op);
    if (!f) return Error{mensaje(f.fallo())};
    std::vector<std::string> uno;
    uno.push_back(std::move(*f));
    return salida(p, es, std::move(uno));
}

}  // namespace

bool leer_real(std::string_view texto, double* valor) { return leer_real_de(texto, valor); }
bool leer_real(std::string_view texto, float* valor) { return leer_real_de(texto, valor); }

std::string linea_de_error(std::string_view mensaje) {
    return "glifador: " + std::string(mensaje) + "\n(glifador --help muestra todas las opciones)\n";
}

Accion ejecutar_cli(const std::vector<std::string>& args, AtenderSenales atender, const EntradaSalida& dado) {
    const EntradaSalida es = completar(dado);
    auto escaneo = escanear(args);
    if (auto* e = std::get_if<Error>(&escaneo)) return std::move(*e);
    Pedido& p = std::get<Pedido>(escaneo);
    if (Aviso a = comprobar_modo(p)) return Error{std::move(*a)};
    if (!p.ruta) return Error{"falta la ruta de la imagen"};
    std::optional<std::string> texto;
    if (auto fin = leer_mensaje(p, atender, es, texto)) return std::move(*fin);
    Imagen ruta;
    ruta.tipo = Imagen::Tipo::Ruta;
    ruta.ruta = *p.ruta;
    auto imagen = es.cargar_imagen(ruta);
    if (!imagen) return Error{mensaje(imagen.fallo())};
    return ejecutar_modo(p, es, std::move(*imagen), texto);
}

}  // namespace glifador
