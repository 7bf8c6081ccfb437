// The seven live-view values as one record, for tests that set or compare them.
#pragma once

struct View
{
    float depth, horz, vert, xrot, yrot, zrot, speed;
};

View LiveView();
void SetLiveView(const View& v);
