#include "common/spi_picture.h"

namespace spi {

int GetPicture(const Format& format, const char* buf, long len, unsigned int flag, void** pHBInfo,
               void** pHBm, SpiProgressCallback progress, long lData) {
    if (!pHBInfo || !pHBm)
        return SPI_ERR_NOT_SUPPORTED;
    Input input;
    int rc = input.Open(buf, len, flag);
    if (rc != SPI_SUCCESS)
        return rc;
    if (!format.accepts(input.data(), input.size()))
        return SPI_ERR_NOT_SUPPORTED;
    DibBuilder dib;
    rc = format.decode(input, dib, progress, lData);
    if (rc == SPI_SUCCESS && progress && progress(1, 1, lData) != 0)
        rc = SPI_ERR_ABORTED;
    if (rc == SPI_SUCCESS)
        dib.HandOver(pHBInfo, pHBm);
    return rc;
}

} // namespace spi
