#include "services/MachineKey.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <cryptopp/aes.h>
#include <cryptopp/base64.h>
#include <cryptopp/filters.h>
#include <cryptopp/sha.h>

#include <cwchar>

#include "core/GlobalOrder.h"

// Built in its place among the process-wide objects (core/GlobalOrder.h).
MachineKey g_machineKey QUORVEL_GLOBAL_ORDER(kOrderMachineKey);

namespace {

const uint8_t kZeroIv[CryptoPP::AES::BLOCKSIZE] = {};

// The text in the ANSI code page; characters it cannot hold are replaced as
// the system does, which is what stored passwords have always gone through.
std::string ToAnsi(const wchar_t* text, int length) {
    std::string out;
    if (length <= 0) return out;
    const int size = WideCharToMultiByte(CP_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return out;
    out.resize(static_cast<size_t>(size));
    WideCharToMultiByte(CP_ACP, 0, text, length, &out[0], size, nullptr, nullptr);
    return out;
}

// AES-256 in CFB mode with a full 16-byte feedback, as the library's
// CFB_Mode<AES> does it: each cipher block is the plain block XOR the
// encryption of the previous cipher block (the IV first); a last partial
// block takes as many bytes of that keystream as it needs. Made here from
// the block cipher because the library's own mode objects are defined in a
// part of it that links in all of its public-key code, about a megabyte the
// launcher never runs.
std::string AesCfb(const std::string& in, bool encrypt) {
    CryptoPP::AES::Encryption aes(g_machineKey.key, sizeof g_machineKey.key);
    uint8_t feedback[CryptoPP::AES::BLOCKSIZE];
    uint8_t keystream[CryptoPP::AES::BLOCKSIZE];
    memcpy(feedback, kZeroIv, sizeof feedback);
    std::string out(in.size(), '\0');
    for (size_t i = 0; i < in.size(); i += sizeof feedback) {
        aes.ProcessBlock(feedback, keystream);
        const size_t n = std::min(sizeof feedback, in.size() - i);
        for (size_t j = 0; j < n; ++j) {
            const uint8_t c = static_cast<uint8_t>(in[i + j]);
            out[i + j] = static_cast<char>(c ^ keystream[j]);
            feedback[j] = encrypt ? static_cast<uint8_t>(out[i + j]) : c;
        }
    }
    return out;
}

void ForgetKey() {
    g_machineKey.ready = false;
    SecureZeroMemory(g_machineKey.key, sizeof g_machineKey.key);
}

}  // namespace

bool InitMachineKey() {
    DWORD serial = 0;
    if (!GetVolumeInformationW(L"C:\\", nullptr, 0, &serial, nullptr, nullptr, nullptr, 0)) {
        ForgetKey();
        return false;
    }
    WString id;
    id.Format(L"%u", static_cast<unsigned>(serial));

    wchar_t computer[16];
    DWORD computerLength = 16;
    if (!GetComputerNameW(computer, &computerLength)) {
        ForgetKey();
        return false;
    }
    id.Append(computer, static_cast<int>(computerLength));

    wchar_t user[257];
    DWORD userLength = 257;
    if (!GetUserNameW(user, &userLength) || userLength == 0) {
        ForgetKey();
        return false;
    }
    id.Append(user, static_cast<int>(userLength - 1));  // the count includes the terminator
    return InitMachineKeyFromId(id);
}

bool InitMachineKeyFromId(const wchar_t* machineId) {
    g_machineKey.machineId = machineId;
    const WString& id = g_machineKey.machineId;
    // wchar_t is UTF-16LE on Windows: the bytes are the text as it lies in memory.
    CryptoPP::SHA256().CalculateDigest(g_machineKey.key, reinterpret_cast<const CryptoPP::byte*>(id.GetString()),
                                       static_cast<size_t>(id.GetLength()) * 2);
    g_machineKey.ready = true;
    return true;
}

bool EncryptWithMachineKey(const wchar_t* text, WString& out) {
    if (!g_machineKey.ready) return false;
    WString whole(g_machineKey.machineId);
    whole.Append(text);
    const std::string plain = ToAnsi(whole.GetString(), whole.GetLength());

    std::string encoded;
    try {
        CryptoPP::StringSource(AesCfb(plain, true), true,
                               new CryptoPP::Base64Encoder(new CryptoPP::StringSink(encoded), false));
    } catch (const CryptoPP::Exception&) {
        return false;
    }
    out.AssignAnsi(encoded.data(), static_cast<int>(encoded.size()));
    return true;
}

bool DecryptWithMachineKey(const wchar_t* stored, WString& out) {
    if (!g_machineKey.ready) return false;
    const std::string encoded = ToAnsi(stored, static_cast<int>(wcslen(stored)));

    std::string plain;
    try {
        std::string cipherBytes;
        CryptoPP::StringSource(encoded, true, new CryptoPP::Base64Decoder(new CryptoPP::StringSink(cipherBytes)));
        plain = AesCfb(cipherBytes, false);
    } catch (const CryptoPP::Exception&) {
        return false;
    }
    plain.resize(strlen(plain.c_str()));  // up to the first zero byte

    WString decoded;
    decoded.AssignAnsi(plain.data(), static_cast<int>(plain.size()));
    const int idLength = g_machineKey.machineId.GetLength();
    if (decoded.GetLength() < idLength ||
        wcsncmp(decoded.GetString(), g_machineKey.machineId.GetString(), static_cast<size_t>(idLength)) != 0)
        return false;
    out = decoded.GetString() + idLength;
    return true;
}
