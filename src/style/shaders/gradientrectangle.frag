#version 440

layout(location = 0) in vec2 qt_TexCoord0;
layout(location = 0) out vec4 fragColor;

layout(std140, binding = 0) uniform buf {
    mat4 qt_Matrix;
    float qt_Opacity;
    vec2 size;
    vec4 startColor;
    vec4 endColor;
};

// A two-colour gradient, the colours already premultiplied, from the item's top-left corner to
// its bottom-right one.
void main()
{
    vec2 point = qt_TexCoord0 * size;
    float position = dot(point, size) / max(dot(size, size), 1e-6);
    fragColor = mix(startColor, endColor, clamp(position, 0.0, 1.0)) * qt_Opacity;
}
