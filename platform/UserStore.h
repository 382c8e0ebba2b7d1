#pragma once
class UserStore;
