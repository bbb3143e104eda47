// The AES filters registered for decoding only (in place of MyAesReg.cpp and 7zAesRegister.cpp,
// which register the encoders too): an encrypted 7z or zip item is then recognised and refused
// for want of a password rather than reported as an unknown method. The crypto sources keep
// their full class shapes, so nothing here may be built extract-only.

#include "StdAfx.h"

#include "../Common/RegisterCodec.h"

#include "7zAes.h"
#include "MyAes.h"

namespace NCrypto {

REGISTER_FILTER_CREATE(AES256CBC_CreateDec, CAesCbcDecoder(32))
REGISTER_FILTER(AES256CBC, AES256CBC_CreateDec, NULL, 0x6F00100 | ((32 - 16) * 8) | 1, "AES256CBC")

namespace N7z {

REGISTER_FILTER_CREATE(SzAES_CreateDec, CDecoder)
REGISTER_FILTER(SzAES, SzAES_CreateDec, NULL, 0x6F10701, "7zAES")

}
}
