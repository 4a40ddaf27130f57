#pragma once
// Where a GBK text meets the toolkit: conversion to and from QString.
#include <QString>
#include <string>
#include <string_view>

namespace runtime {

QString qt_text(std::string_view gbk);

// The GBK bytes of a toolkit text; `complete` tells whether GBK could hold
// every character (one it cannot is given as "?").
std::string gbk_text(const QString& text, bool* complete = nullptr);

}  // namespace runtime
