// Sin libFuzzer: pasa cada archivo nombrado en la línea de órdenes por el objetivo enlazado.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* datos, std::size_t n);

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        std::ifstream f(argv[i], std::ios::binary);
        if (!f) {
            std::fprintf(stderr, "no se pudo abrir %s\n", argv[i]);
            return 1;
        }
        const std::vector<std::uint8_t> datos((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
        LLVMFuzzerTestOneInput(datos.data(), datos.size());
        std::printf("%s: bien\n", argv[i]);
    }
    return 0;
}
