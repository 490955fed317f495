-- Sum of (i * i) mod 7 for i = 1 .. 10,000,000 in a counted loop.
local s = 0
for i = 1, 10000000 do
  s = s + (i * i) % 7
end
print(s)
