#version 440

layout(location = 0) in vec2 qt_TexCoord0;
layout(location = 0) out vec4 fragColor;

layout(std140, binding = 0) uniform buf {
    mat4 qt_Matrix;
    float qt_Opacity;
    vec2 size;
    vec4 outlineBox;
    float cornerRadius;
    vec4 gradientFrame;
    vec4 fillStart;
    vec4 fillEnd;
    vec4 rimStart;
    vec4 rimEnd;
    float rimWidth;
};

// Signed distance from the outline, a rounded rectangle, in the item's units: negative inside.
float outlineDistance(vec2 point)
{
    vec2 halfSize = outlineBox.zw * 0.5;
    float radius = min(cornerRadius, min(halfSize.x, halfSize.y));
    vec2 beyond = abs(point - (outlineBox.xy + halfSize)) - (halfSize - radius);
    return length(max(beyond, 0.0)) + min(max(beyond.x, beyond.y), 0.0) - radius;
}

// How much of the pixel lies on the inner side of the edge at `distance`: a pixel-wide ramp,
// so edges are smooth at any scale without supersampling.
float coverage(float distance, float pixel)
{
    return clamp(0.5 - distance / pixel, 0.0, 1.0);
}

// Two colours, already premultiplied, from the gradient frame's top-left corner to its
// bottom-right one, held beyond either end.
vec4 gradientAt(vec2 point, vec4 startColour, vec4 endColour)
{
    vec2 span = gradientFrame.zw;
    float position = dot(point - gradientFrame.xy, span) / max(dot(span, span), 1e-6);
    return mix(startColour, endColour, clamp(position, 0.0, 1.0));
}

void main()
{
    vec2 point = qt_TexCoord0 * size;
    float distance = outlineDistance(point);
    // The length of one device pixel in the item's units, wherever the item is scaled.
    float pixel = max(length(vec2(dFdx(distance), dFdy(distance))), 1e-4);

    vec4 colour = gradientAt(point, fillStart, fillEnd) * coverage(distance, pixel);
    if (rimWidth > 0.0) {
        // A band centred on the outline, over the fill.
        float rim = coverage(abs(distance) - rimWidth * 0.5, pixel);
        colour = gradientAt(point, rimStart, rimEnd) * rim + colour * (1.0 - rim);
    }
    fragColor = colour * qt_Opacity;
}
