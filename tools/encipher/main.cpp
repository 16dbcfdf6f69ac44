// Enciphers each argument with the service key set and prints the cipher text, for the values
// built into the program (download accounts, settings-file addresses).
#include "util/TextCipher.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: velmira-encipher TEXT...\n");
        return 2;
    }
    for (int i = 1; i < argc; ++i)
        std::printf("%s\n", EncryptText(QString::fromLocal8Bit(argv[i]), 2).toLatin1().constData());
    return 0;
}
