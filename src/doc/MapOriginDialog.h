#pragma once
// What "Calculate Map Origin" needs of its dialog: it shows the fitted
// georeference and its errors, and only its ending counts. The program
// installs the real dialog; tests answer with a fake. With none installed
// the dialog counts as cancelled.

struct MapOriginInfo {
    double scaleX = 0;
    double scaleY = 0;
    double easting = 0;
    double northing = 0;
    double angle = 0;            // degrees
    double averageDistance = 0;  // pixels
    double maximumDistance = 0;  // pixels
    int count = 0;               // pairs used
};

class IMapOriginDialog {
public:
    virtual ~IMapOriginDialog() = default;
    // 1 for OK, 2 for Cancel.
    virtual int RunMapOriginDialog(const MapOriginInfo& info) = 0;
};
