#include "plugins/common/spi_picture.h"

namespace spi {

int OpenPicture(Input& input, const char* buf, long len, unsigned int flag, void** pHBInfo,
                void** pHBm, SignatureCheck accepts) {
    if (!pHBInfo || !pHBm)
        return SPI_ERR_NOT_SUPPORTED;
    const int rc = input.Open(buf, len, flag);
    if (rc != SPI_SUCCESS)
        return rc;
    return accepts(input.data(), input.size()) ? SPI_SUCCESS : SPI_ERR_NOT_SUPPORTED;
}

int FinishPicture(int rc, DibBuilder& dib, SpiProgressCallback progress, long lData, void** pHBInfo,
                  void** pHBm) {
    if (rc == SPI_SUCCESS && progress && progress(1, 1, lData) != 0)
        rc = SPI_ERR_ABORTED;
    if (rc == SPI_SUCCESS)
        dib.HandOver(pHBInfo, pHBm);
    return rc;
}

} // namespace spi
