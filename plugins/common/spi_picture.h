// The frame every plug-in's GetPicture shares: check the handle addresses, get the picture's
// bytes, check the signature; then, after the plug-in's own decoding, tell the progress callback
// that the picture is complete and hand both blocks to the host.
#pragma once

#include "plugin/plugin_abi.h"
#include "plugins/common/spi_dib.h"
#include "plugins/common/spi_input.h"

#include <cstddef>

namespace spi {

using SignatureCheck = bool (*)(const unsigned char* data, std::size_t size);

// An SPI_* result code; SPI_SUCCESS means `input` holds bytes that carry the signature.
int OpenPicture(Input& input, const char* buf, long len, unsigned int flag, void** pHBInfo,
                void** pHBm, SignatureCheck accepts);

// Completes GetPicture with the decoder's result code `rc`.
int FinishPicture(int rc, DibBuilder& dib, SpiProgressCallback progress, long lData, void** pHBInfo,
                  void** pHBm);

} // namespace spi
