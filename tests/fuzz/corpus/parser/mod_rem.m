mod(-7, 3), rem(-7, 3)
mod(5, 0), rem(5, 0)
fix(-2.5), floor(-2.5), ceil(-2.5), sign(-3)
