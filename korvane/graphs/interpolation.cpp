// Curve interpolation. The natural spline solves the usual tridiagonal system for the second
// derivatives once per curve (Thomas algorithm), so a curve of n points costs O(n + nOut).
#include "korvane/graphs/interpolation.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace kvKorvaneV10_0_3 {

namespace {

constexpr const char* kNames[] = {"Off", "Spline1", "Spline2", "Cosine"};

bool IncreasingX(const KCPoint2D<double>* p, unsigned int n) {
    for (unsigned int i = 0; i < n; ++i) {
        if (!std::isfinite(p[i].x) || !std::isfinite(p[i].y) || (i > 0 && p[i].x <= p[i - 1].x)) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool InterpolationTypeFromText(const char* text, EInterpolationType& type) {
    if (text == nullptr) {
        return false;
    }
    for (int i = 0; i < 4; ++i) {
        const char digit[2] = {static_cast<char>('0' + i), '\0'};
        if (std::strcmp(text, kNames[i]) == 0 || std::strcmp(text, digit) == 0) {
            type = static_cast<EInterpolationType>(i);
            return true;
        }
    }
    return false;
}

const char* InterpolationTypeToText(EInterpolationType type) {
    const auto i = static_cast<int>(type);
    return i >= 0 && i < 4 ? kNames[i] : "Off";
}

KTErr KCNaturalSpline::Prepare(const KCPoint2D<double>* points, unsigned int count) {
    if (points == nullptr || count < 2) {
        return eValueWrongSize;
    }
    if (!IncreasingX(points, count)) {
        return eOutOfRangeNumber;
    }
    const std::size_t n = count;
    m_x.resize(n);
    m_y.resize(n);
    for (std::size_t i = 0; i < n; ++i) {
        m_x[i] = points[i].x;
        m_y[i] = points[i].y;
    }
    m_second.assign(n, 0.0);
    // Interior equations h[i-1] M[i-1] + 2 (h[i-1] + h[i]) M[i] + h[i] M[i+1] = 6 (slope
    // difference), with M[0] = M[n-1] = 0.
    std::vector<double> diag(n, 1.0);
    std::vector<double> rhs(n, 0.0);
    std::vector<double> upper(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const double h0 = m_x[i] - m_x[i - 1];
        const double h1 = m_x[i + 1] - m_x[i];
        const double lower = h0;
        diag[i] = 2.0 * (h0 + h1) - lower * upper[i - 1];
        upper[i] = h1 / diag[i];
        const double d = 6.0 * ((m_y[i + 1] - m_y[i]) / h1 - (m_y[i] - m_y[i - 1]) / h0);
        rhs[i] = (d - lower * rhs[i - 1]) / diag[i];
    }
    for (std::size_t i = n - 1; i-- > 1;) {
        m_second[i] = rhs[i] - upper[i] * m_second[i + 1];
    }
    return eNoErr;
}

double KCNaturalSpline::Evaluate(double x) const {
    if (m_x.empty()) {
        return 0.0;
    }
    x = std::clamp(x, m_x.front(), m_x.back());
    const auto upperIt = std::upper_bound(m_x.begin() + 1, m_x.end() - 1, x);
    const std::size_t i = static_cast<std::size_t>(upperIt - m_x.begin()) - 1;
    const double h = m_x[i + 1] - m_x[i];
    const double a = (m_x[i + 1] - x) / h;
    const double b = (x - m_x[i]) / h;
    return a * m_y[i] + b * m_y[i + 1] +
           ((a * a * a - a) * m_second[i] + (b * b * b - b) * m_second[i + 1]) * h * h / 6.0;
}

double NonUniformXDistSpline_PAZ(const std::vector<KCPoint2D<double>>& points, double x) {
    KCNaturalSpline spline;
    if (spline.Prepare(points.data(), static_cast<unsigned int>(points.size())) != eNoErr) {
        return 0.0;
    }
    return spline.Evaluate(x);
}

int CalcPointsForSpline(const KCPoint2D<double>* in, KCPoint2D<double>* out, unsigned int nIn,
                        unsigned int nOut, EInterpolationType type) {
    if (in == nullptr || out == nullptr) {
        return eMemNullPointer;
    }
    if (type == EInterpolationType::eOff) {
        const unsigned int n = std::min(nIn, nOut);
        std::copy(in, in + n, out);
        return static_cast<int>(n);
    }
    if (nIn < 2 || nOut < 2) {
        return eValueWrongSize;
    }
    if (!IncreasingX(in, nIn)) {
        return eOutOfRangeNumber;
    }
    KCNaturalSpline spline;
    if (type == EInterpolationType::eSpline1) {
        if (const KTErr err = spline.Prepare(in, nIn); err != eNoErr) {
            return err;
        }
    }
    const double x0 = in[0].x;
    const double step = (in[nIn - 1].x - x0) / (nOut - 1);
    unsigned int seg = 0;
    for (unsigned int k = 0; k < nOut; ++k) {
        const double x = k + 1 == nOut ? in[nIn - 1].x : x0 + step * k;
        while (seg + 2 < nIn && x > in[seg + 1].x) {
            ++seg;
        }
        const KCPoint2D<double>& p1 = in[seg];
        const KCPoint2D<double>& p2 = in[seg + 1];
        const KCPoint2D<double>& p0 = seg > 0 ? in[seg - 1] : p1;
        const KCPoint2D<double>& p3 = seg + 2 < nIn ? in[seg + 2] : p2;
        const double t = (x - p1.x) / (p2.x - p1.x);
        double y = 0;
        switch (type) {
            case EInterpolationType::eCosine: {
                const double w = (1.0 - std::cos(t * std::numbers::pi)) / 2.0;
                y = (1.0 - w) * p1.y + w * p2.y;
                break;
            }
            case EInterpolationType::eSpline2:
                y = (1.5 * p1.y - 0.5 * p0.y - 1.5 * p2.y + 0.5 * p3.y) * t * t * t +
                    (p0.y - 2.5 * p1.y + 2.0 * p2.y - 0.5 * p3.y) * t * t +
                    0.5 * (p2.y - p0.y) * t + p1.y;
                break;
            default:
                y = spline.Evaluate(x);
                break;
        }
        out[k] = {x, y};
    }
    return static_cast<int>(nOut);
}

}  // namespace kvKorvaneV10_0_3
