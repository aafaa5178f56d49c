#version 440

layout(location = 0) in vec2 qt_TexCoord0;
layout(location = 0) out vec4 fragColor;

layout(std140, binding = 0) uniform buf {
    mat4 qt_Matrix;
    float qt_Opacity;
    float angleRadians;
};

layout(binding = 1) uniform sampler2D source;

void main()
{
    float c = cos(angleRadians);
    float s = sin(angleRadians);
    // The standard hue-rotate matrix: turns hue about the grey axis while keeping luminance.
    mat3 rotation = mat3(
        0.213 + 0.787 * c - 0.213 * s, 0.213 - 0.213 * c + 0.143 * s, 0.213 - 0.213 * c - 0.787 * s,
        0.715 - 0.715 * c - 0.715 * s, 0.715 + 0.285 * c + 0.140 * s, 0.715 - 0.715 * c + 0.715 * s,
        0.072 - 0.072 * c + 0.928 * s, 0.072 - 0.072 * c - 0.283 * s, 0.072 + 0.928 * c + 0.072 * s);
    vec4 texel = texture(source, qt_TexCoord0);
    // The matrix is linear, so it applies to premultiplied colour unchanged; clamping to alpha
    // keeps the result a valid premultiplied colour.
    vec3 rotated = clamp(rotation * texel.rgb, vec3(0.0), vec3(texel.a));
    fragColor = vec4(rotated, texel.a) * qt_Opacity;
}
