#version 440

layout(location = 0) in vec2 qt_TexCoord0;
layout(location = 0) out vec4 fragColor;

layout(std140, binding = 0) uniform buf {
    mat4 qt_Matrix;
    float qt_Opacity;
    vec2 texelStep;
    float deviation;
    float reach;
    vec4 tint;
};

layout(binding = 1) uniform sampler2D source;

// The widest reach a pass supports, in texels on each side.
const int maxReach = 16;
// Each pass strengthens coverage by a fiftieth, so a shadow's core comes out solid rather than
// just short of it: the look the shadows have always had.
const float coverageLift = 1.0 / 0.98;

// One direction of a Gaussian blur of the source's coverage, painted in `tint`: a shadow needs
// only how much of each pixel is covered, not its colour.
void main()
{
    float twoVariance = 2.0 * deviation * deviation;
    float coverage = 0.0;
    float weights = 0.0;
    // The taps run from -reach to reach and the loop stops after the last one: a software
    // renderer shades many pixels in step and would run a skipped tap's iteration all the same.
    float first = min(floor(reach), float(maxReach));
    for (int i = 0; i <= 2 * maxReach; ++i) {
        float offset = float(i) - first;
        if (offset > reach)
            break;
        float weight = exp(-offset * offset / twoVariance);
        coverage += weight * texture(source, qt_TexCoord0 + offset * texelStep).a;
        weights += weight;
    }
    fragColor = tint * clamp(coverage / weights * coverageLift, 0.0, 1.0) * qt_Opacity;
}
