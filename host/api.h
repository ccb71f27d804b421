// Visibility of the host library's interface. The package module is built with
// hidden visibility; everything the host offers it is marked HOST_API so that one
// definition (and one type identity) is shared by the IDE and every package.
#pragma once

#define HOST_API __attribute__((visibility("default")))
