// The seven live-view values as one record, for tests that set them.
#pragma once

struct View
{
    float depth, horz, vert, xrot, yrot, zrot, speed;
};

void SetLiveView(const View& v);
